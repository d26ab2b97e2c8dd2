// The window's declared tree as the listener sees it: where every region lies at the design
// size and in a large window, the overlay's z-order and spinner, clicks reaching the handlers,
// the dialog's edits and the volume slider's two-way binding.

#include "window_fixture.h"

#include <QQmlProperty>
#include <QTcpServer>
#include <QtTest>

class TstLayout : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void regionsFollowDockingRules_data();
    void regionsFollowDockingRules();
    void tabWidthIsWrittenToController();
    void overlayComesToFrontOnlyWhileConnecting();
    void clicksFallThroughMenuCellsButNotTheBar_data();
    void clicksFallThroughMenuCellsButNotTheBar();
    void pagesFollowTheSlide();
    void editsStopAtFiftyCharactersAndWriteBack_data();
    void editsStopAtFiftyCharactersAndWriteBack();
    void dialogIsNotModal();
    void volumeSliderStaysBoundAfterBeingMoved();
    void feedTextsAreDrawnAsPlainText();

private:
    void ShowAt(int w, int h);
    void ClickAt(const QRectF& rect);
    QQuickItem* ShowDialog();
    std::unique_ptr<TWindowFixture> f;
};

void TstLayout::init() {
    f = std::make_unique<TWindowFixture>();
    QVERIFY2(f->window, "Main.qml did not load");
    ShowAt(424, 989);
}

void TstLayout::cleanup() {
    f.reset();
}

void TstLayout::ShowAt(int w, int h) {
    f->window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f->window));
    f->Resize(w, h);
    QTRY_COMPARE(f->window->contentItem()->width(), qreal(w));
}

void TstLayout::ClickAt(const QRectF& rect) {
    QTest::mouseClick(f->window, Qt::LeftButton, Qt::NoModifier, rect.center().toPoint());
}

QQuickItem* TstLayout::ShowDialog() {
    f->controller->Image_Edita_Nome_OuvinteClick(nullptr);
    QQuickItem* dialog = f->Item("Layout_Pega_Nome");
    // The listener-profile handlers may not be built in; the tree is what is tested here.
    if (!dialog->isVisible())
        dialog->setVisible(true);
    return dialog;
}

void TstLayout::regionsFollowDockingRules_data() {
    QTest::addColumn<int>("windowWidth");
    QTest::addColumn<int>("windowHeight");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRectF>("expected");

    struct Row {
        const char* name;
        QRectF design;
        QRectF large; // 1280 x 1600
    };
    const qreal home = 0.25039, programmes = 0.25067, request = 0.25088, promo = 0.24806;
    const Row rows[] = {
        // Window children: the overlay covers the status bar too.
        {"Retangulo_Fundo", {0, 0, 424, 989}, {0, 0, 1280, 1600}},
        {"StatusBar", {0, 967, 424, 22}, {0, 1578, 1280, 22}},
        {"Layout_Principal", {0, 0, 424, 967}, {0, 0, 1280, 1578}},
        // The column: only the tab pages grow in height.
        {"Layout_Ouvinte", {0, 0, 424, 50}, {0, 0, 1280, 50}},
        {"Retangulo_Cabecalho", {0, 52, 424, 69}, {0, 52, 1280, 69}},
        {"Layout_Player", {0, 131, 424, 110}, {0, 131, 1280, 110}},
        {"TabControl", {0, 241, 424, 662}, {0, 241, 1280, 1273}},
        {"Image_Fundo_Menu", {0, 906, 424, 61}, {0, 1517, 1280, 61}},
        {"Menu_Inferior", {0, 906, 424, 59}, {0, 1517, 1280, 59}},
        // Listener bar and header.
        {"Lbl_Nome_Ouvinte", {5, 0, 389, 25}, {5, 0, 1245, 25}},
        {"Image_Edita_Nome_Ouvinte", {394, 0, 30, 25}, {1250, 0, 30, 25}},
        {"Image_5Estrelas", {5, 25, 50, 25}, {5, 25, 50, 25}},
        {"Image_Texto_Cabecalho", {5, 57, 414, 59}, {5, 57, 1270, 59}},
        {"Image_Logotipo", {8, 54, 50, 65}, {8, 54, 50, 65}},
        // Player panel: fixed controls keep their offsets, the slider widens.
        {"Botao_Play", {20, 146, 40, 48}, {20, 146, 40, 48}},
        {"Botao_Stop", {71, 151, 30, 48}, {71, 151, 30, 48}},
        {"ProgressBar", {113, 171, 220, 10}, {113, 171, 220, 10}},
        {"Image_Volume_Minimo", {0, 192, 35, 20}, {0, 192, 35, 20}},
        {"TrackBar_Volume", {35, 192, 354, 20}, {35, 192, 1210, 20}},
        {"Image_Volume_Maximo", {389, 192, 35, 20}, {1245, 192, 35, 20}},
        {"Rectangle_Fundo_Player", {0, 216, 424, 25}, {0, 216, 1280, 25}},
        // Home page: fixed banner area, the sponsor area takes the rest.
        {"Layout_Propaganda", {0, 241, 424, 425}, {0, 241, 1280, 425}},
        {"Figura_Propaganda", {10, 246, 404, 420}, {10, 246, 1260, 420}},
        {"Layout_Patrocinadores", {0, 676, 424, 227}, {0, 676, 1280, 838}},
        {"Lbl_Patrocinadores", {5, 676, 414, 26}, {5, 676, 1270, 26}},
        {"ListBox_Patrocinadores", {0, 707, 424, 196}, {0, 707, 1280, 807}},
        // Programme page (laid out while hidden).
        {"Text2", {0, 241, 424, 50}, {0, 241, 1280, 50}},
        {"ListView_Programacao", {0, 291, 424, 612}, {0, 291, 1280, 1223}},
        // Bottom menu cells keep their percentages.
        {"Layout_Home", {0, 906, 424 * home, 59}, {0, 1517, 1280 * home, 59}},
        {"Layout_Pedido",
         {424 * (home + programmes), 906, 424 * request, 59},
         {1280 * (home + programmes), 1517, 1280 * request, 59}},
        {"Image_Promocao",
         {424 * (1 - promo), 906, 424 * promo, 59},
         {1280 * (1 - promo), 1517, 1280 * promo, 59}},
        {"Lbl_Home", {0, 948, 424 * home, 17}, {0, 1559, 1280 * home, 17}},
        // Overlay content stays centred in the whole client area, text band above the ring.
        {"Layout_Loading", {0, 247, 424, 494}, {0, 553, 1280, 494}},
        {"Text_Loading", {0, 247, 424, 113}, {0, 553, 1280, 113}},
        {"Image_Circulo", {0, 360, 424, 381}, {0, 666, 1280, 381}},
        {"Image_Radio_Zelvorna", {82, 419, 260, 263}, {510, 725, 260, 263}},
        // Name dialog: centred between player panel and bottom menu, rows stacked inside.
        {"Layout_Pega_Nome", {42, 409, 340, 328}, {470, 715, 340, 328}},
        {"Rectangle_Fundo_Pega_Nome", {67, 434, 290, 278}, {495, 740, 290, 278}},
        {"Image_Sair", {322, 434, 35, 33}, {750, 740, 35, 33}},
        {"RoundRect_Nome_do_Ouvinte", {114, 496, 238, 30}, {542, 802, 238, 30}},
        {"Edt_Nome_do_Ouvinte", {126, 496, 214, 30}, {554, 802, 214, 30}},
        {"Edt_Email_do_Ouvinte", {126, 536, 214, 30}, {554, 842, 214, 30}},
        {"Spb_Confirma", {67, 571, 133, 34}, {495, 877, 133, 34}},
        {"Spb_Cancelar", {212, 571, 133, 34}, {640, 877, 133, 34}},
        {"Switch_Notificacoes", {67, 610, 44, 38}, {495, 916, 44, 38}},
        {"Text4", {72, 658, 280, 50}, {500, 964, 280, 50}},
    };
    for (const Row& r : rows) {
        QTest::addRow("design %s", r.name) << 424 << 989 << QString::fromLatin1(r.name) << r.design;
        QTest::addRow("large %s", r.name) << 1280 << 1600 << QString::fromLatin1(r.name) << r.large;
    }
}

void TstLayout::regionsFollowDockingRules() {
    QFETCH(int, windowWidth);
    QFETCH(int, windowHeight);
    QFETCH(QString, name);
    QFETCH(QRectF, expected);
    ShowAt(windowWidth, windowHeight);
    const QByteArray objectName = name.toLatin1();
    QVERIFY2(f->Item(objectName.constData()), "no such item");
    const QRectF actual = f->RectOf(objectName.constData());
    const auto near = [](qreal a, qreal b) { return qAbs(a - b) < 0.01; };
    QVERIFY2(near(actual.x(), expected.x()) && near(actual.y(), expected.y()) &&
                 near(actual.width(), expected.width()) && near(actual.height(), expected.height()),
             qPrintable(QStringLiteral("got %1,%2 %3x%4")
                            .arg(actual.x())
                            .arg(actual.y())
                            .arg(actual.width())
                            .arg(actual.height())));
}

void TstLayout::tabWidthIsWrittenToController() {
    QCOMPARE(f->controller->tabWidth(), 424.0);
    ShowAt(1280, 1600);
    QCOMPARE(f->controller->tabWidth(), 1280.0);
}

void TstLayout::overlayComesToFrontOnlyWhileConnecting() {
    QQuickItem* overlay = f->Item("Retangulo_Fundo");
    QQuickItem* main = f->Item("Layout_Principal");
    QObject* spinner = f->window->findChild<QObject*>(QStringLiteral("FloatAnimation_Loading"));
    QVERIFY(spinner);
    f->Sponsors()->Append(QStringLiteral("Loja"), QStringLiteral("Desc"),
                          QStringLiteral("https://loja.example/"), QImage());
    const QRectF card = f->RectOf("ListBox_Patrocinadores").adjusted(2, 2, 0, 0);
    const QRectF cardRect(card.topLeft(), QSizeF(210, 175));
    QTRY_VERIFY(f->Item("FramePatrocinador"));

    QVERIFY(overlay->z() < main->z());
    QVERIFY(overlay->isVisible()); // behind, never hidden
    QCOMPARE(spinner->property("running").toBool(), false);

    ClickAt(f->RectOf("Botao_Play"));
    QTRY_VERIFY(f->controller->player()->overlayInFront());
    QVERIFY(overlay->z() > main->z());
    QCOMPARE(spinner->property("running").toBool(), true);
    QCOMPARE(f->Item("Text_Loading")->property("text").toString().count(QLatin1Char('\r')), 0);

    // In front, the overlay takes the press: the card under it does not open.
    ClickAt(cardRect);
    QCOMPARE(f->opener->opened.size(), 0);

    f->radio->release.release(2); // https, then http, both fail
    QTRY_VERIFY(!f->controller->player()->overlayInFront());
    QVERIFY(overlay->z() < main->z());
    QCOMPARE(spinner->property("running").toBool(), false);

    ClickAt(cardRect);
    QCOMPARE(f->opener->Links(), QStringList{"https://loja.example/"});
}

void TstLayout::clicksFallThroughMenuCellsButNotTheBar_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<qreal>("dy"); // offset from the target's centre
    QTest::addColumn<int>("expectedPage");
    QTest::addRow("label Inicio") << "Lbl_Home" << 0.0 << 0;
    QTest::addRow("house picture") << "Image_Home" << 0.0 << 0;
    QTest::addRow("bar under the cells") << "Image_Fundo_Menu" << 29.5 << 1;
}

void TstLayout::clicksFallThroughMenuCellsButNotTheBar() {
    QFETCH(QString, target);
    QFETCH(qreal, dy);
    QFETCH(int, expectedPage);
    f->controller->GotoVisibleTab(1);
    QTRY_VERIFY(!f->controller->sliding());
    QCOMPARE(f->controller->activePage(), 1);
    QRectF r = f->RectOf(target.toLatin1().constData());
    r = QRectF(f->RectOf("Lbl_Home").center().x() - 1, r.center().y() + dy - 1, 2, 2);
    ClickAt(r);
    QTRY_COMPARE_WITH_TIMEOUT(f->controller->activePage(), expectedPage, 1000);
    QTRY_VERIFY(!f->controller->sliding());
    QCOMPARE(f->controller->activePage(), expectedPage);
}

void TstLayout::pagesFollowTheSlide() {
    QQuickItem* homePage = f->Item("TabItem_Principal");
    QQuickItem* programmePage = f->Item("TabItem_Programacao");
    QVERIFY(homePage->isVisible());
    QVERIFY(!programmePage->isVisible());

    // Sample the pages while the slide runs: both shown, new one coming in from the right.
    bool sawBoth = false, newFromRight = true;
    QMetaObject::Connection c =
        connect(f->controller.get(), &TF_Principal::slideChanged, this, [&] {
            if (!f->controller->sliding())
                return;
            sawBoth = sawBoth || (homePage->isVisible() && programmePage->isVisible());
            newFromRight = newFromRight && programmePage->x() >= 0 &&
                           programmePage->x() == f->controller->slideNewX() &&
                           homePage->x() == f->controller->slideOldX();
        });
    f->controller->GotoVisibleTab(1);
    QTRY_VERIFY(!f->controller->sliding());
    disconnect(c);
    QVERIFY(sawBoth);
    QVERIFY(newFromRight);
    QVERIFY(!homePage->isVisible());
    QVERIFY(programmePage->isVisible());
    QCOMPARE(programmePage->x(), 0.0);
}

void TstLayout::editsStopAtFiftyCharactersAndWriteBack_data() {
    QTest::addColumn<QString>("edit");
    QTest::addRow("name") << "Edt_Nome_do_Ouvinte";
    QTest::addRow("e-mail") << "Edt_Email_do_Ouvinte";
}

void TstLayout::editsStopAtFiftyCharactersAndWriteBack() {
    QFETCH(QString, edit);
    ShowDialog();
    QQuickItem* field = f->Item(edit.toLatin1().constData());
    field->forceActiveFocus();
    QTRY_VERIFY(field->hasActiveFocus());
    for (int i = 0; i < 60; ++i)
        QTest::keyClick(f->window, Qt::Key_A, Qt::NoModifier);
    QCOMPARE(field->property("text").toString().size(), 50);
    const QString stored = edit.contains(QLatin1String("Nome"))
                               ? f->controller->profile()->nameText()
                               : f->controller->profile()->emailText();
    QCOMPARE(stored, QString(50, QLatin1Char('a')));

    // The controller's text shows in the edit, also after typing.
    if (edit.contains(QLatin1String("Nome")))
        f->controller->profile()->setNameText(QStringLiteral("Maria"));
    else
        f->controller->profile()->setEmailText(QStringLiteral("maria@example.org"));
    QTRY_VERIFY(
        field->property("text").toString().startsWith(QLatin1String("maria"), Qt::CaseInsensitive));
}

void TstLayout::dialogIsNotModal() {
    f->Sponsors()->Append(QStringLiteral("Loja"), QString(),
                          QStringLiteral("https://loja.example/"), QImage());
    QQuickItem* dialog = ShowDialog();
    QVERIFY(dialog->isVisible());
    QTRY_VERIFY(f->Item("FramePatrocinador"));
    const QRectF strip = f->RectOf("ListBox_Patrocinadores");
    // Left of the dialog's box, on the first card.
    ClickAt(QRectF(strip.x() + 10, strip.y() + 190 - 20, 4, 4));
    QCOMPARE(f->opener->opened.size(), 1);
}

void TstLayout::volumeSliderStaysBoundAfterBeingMoved() {
    QQuickItem* slider = f->Item("TrackBar_Volume");
    QCOMPARE(slider->property("to").toDouble(), f->controller->player()->volumeMaximum());
    QCOMPARE(slider->property("value").toDouble(), f->controller->player()->volumeValue());

    // The listener drags to the left end; the controller hears of it.
    const QRectF r = f->RectOf("TrackBar_Volume");
    QTest::mousePress(f->window, Qt::LeftButton, Qt::NoModifier, r.center().toPoint());
    QTest::mouseMove(f->window, QPoint(int(r.left()) + 1, int(r.center().y())));
    QTest::mouseRelease(f->window, Qt::LeftButton, Qt::NoModifier,
                        QPoint(int(r.left()) + 1, int(r.center().y())));
    QTRY_VERIFY(f->controller->player()->volumeValue() < 10);
    QCOMPARE(slider->property("value").toDouble(), f->controller->player()->volumeValue());

    // Later changes from the controller still reach the slider.
    f->controller->player()->setVolumeValue(80);
    QCOMPARE(slider->property("value").toDouble(), 80.0);
}

// Markup in a feed is text to read, not an instruction: shown as written, and its picture is
// never fetched.
void TstLayout::feedTextsAreDrawnAsPlainText() {
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const QString markup = QStringLiteral("<img src=\"http://127.0.0.1:%1/x.png\"><b>Loja</b>")
                               .arg(probe.serverPort());
    f->Sponsors()->Append(markup, markup, QStringLiteral("https://loja.example/"), QImage());
    f->Programmes()->Append(markup, markup, QString(), QImage());
    f->controller->GotoVisibleTab(1);
    QTRY_VERIFY(!f->controller->sliding());
    for (const char* name : {"Lbl_Razao_Social", "Lbl_Descricao", "Text_Nome_do_Programa",
                             "Text_Descricao_do_Programa", "Lbl_Nome_Ouvinte"}) {
        QQuickItem* text = nullptr;
        QTRY_VERIFY((text = f->Item(name)) != nullptr);
        QCOMPARE(text->property("textFormat").toInt(), 0); // Text.PlainText
    }
    QCOMPARE(f->Item("Lbl_Razao_Social")->property("text").toString(), markup);
    QTest::qWait(300);
    QVERIFY(!probe.hasPendingConnections() && !probe.waitForNewConnection(200));
}

QTEST_MAIN(TstLayout)
#include "tst_layout.moc"
