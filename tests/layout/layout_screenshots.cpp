// Writes PNGs of the window at the design size (home page, programme page, open name dialog,
// loading overlay in front) into the given folder, or beside the executable.

#include "window_fixture.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>

namespace {

QImage Picture(const QString& resource, QColor backdrop) {
    QImage image(326, 200, QImage::Format_ARGB32_Premultiplied);
    image.fill(backdrop);
    QPainter p(&image);
    QImage logo(resource);
    p.drawImage(QRect(113, 0, 200, 200), logo);
    return image;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QCoreApplication::applicationDirPath();
    TWindowFixture f;
    if (!f.window)
        return 1;
    f.controller->GotoVisibleTab(0);
    const QString names[] = {QStringLiteral("Auto Peças Zé"), QStringLiteral("Padaria Central"),
                             QStringLiteral("Farmácia Boa Saúde")};
    for (const QString& name : names)
        f.Sponsors()->Append(
            name, QStringLiteral("Ideal para sua locomoção cotidiana por preços acessíveis"),
            QStringLiteral("https://example.org/"),
            Picture(QStringLiteral(":/assets/logo_radio.svg"), Qt::transparent));
    for (int i = 0; i < 5; ++i)
        f.Programmes()->Append(QStringLiteral("Programa %1").arg(i + 1),
                               QStringLiteral("De segunda a sexta, as melhores músicas e notícias "
                                              "da região com os nossos locutores."),
                               QString(), QImage(QStringLiteral(":/assets/logo_radio.svg")));

    f.window->show();
    if (!QTest::qWaitForWindowExposed(f.window))
        return 1;
    f.Resize(424, 989);
    const auto grab = [&](const char* name) {
        QTest::qWait(150);
        f.window->grabWindow().save(QDir(folder).filePath(QString::fromLatin1(name)));
    };
    grab("layout_home.png");
    f.controller->GotoVisibleTab(1);
    grab("layout_programmes.png");
    f.controller->GotoVisibleTab(0);

    f.controller->Image_Edita_Nome_OuvinteClick(nullptr);
    QQuickItem* dialog = f.Item("Layout_Pega_Nome");
    dialog->setVisible(true);
    f.controller->profile()->setNameText(QStringLiteral("Maria"));
    grab("layout_dialog.png");
    dialog->setVisible(false);

    f.controller->Botao_PlayClick(nullptr);
    grab("layout_overlay.png");
    f.radio->release.release(2);
    return 0;
}
