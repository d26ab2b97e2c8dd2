// The settings file: what a read returns and what a write leaves on the disk, byte for byte.

#include "file_size_limit.h"
#include "ini_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

using profile::EIniFileException;
using profile::TIniFile;

namespace {

const QString kName = QStringLiteral("José da Conceição");

QByteArray Utf16LE(const QString& text) {
    QByteArray bytes("\xFF\xFE");
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return bytes;
}

void Store(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TstIniFile : public QObject {
    Q_OBJECT

private slots:
    void readReturnsStoredValueOrDefault_data();
    void readReturnsStoredValueOrDefault();
    void readOfMissingFileGivesDefault();
    void writeChangesOnlyThatKey_data();
    void writeChangesOnlyThatKey();
    void writtenNameReadsBackWhole();
    void refusedWriteRaisesWithFullPath_data();
    void refusedWriteRaisesWithFullPath();
    void interruptedWriteLeavesOldFile();

private:
    QTemporaryDir dir_;
    QString Path() const { return dir_.filePath(QStringLiteral("Configuracao.ini")); }
};

void TstIniFile::readReturnsStoredValueOrDefault_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QByteArray plain = "[Ouvinte]\r\nNome_do_Ouvinte=Ana\r\nEmail_do_Ouvinte=\r\n";
    QTest::addRow("exact names") << plain << "Ouvinte"
                                 << "Nome_do_Ouvinte"
                                 << "Ana";
    QTest::addRow("names in other case") << plain << "OUVINTE"
                                         << "nome_do_ouvinte"
                                         << "Ana";
    QTest::addRow("empty value is not the default") << plain << "Ouvinte"
                                                    << "Email_do_Ouvinte"
                                                    << "";
    QTest::addRow("missing key") << plain << "Ouvinte"
                                 << "Receber_Notificacoes"
                                 << "<default>";
    QTest::addRow("missing section") << plain << "Outra"
                                     << "Nome_do_Ouvinte"
                                     << "<default>";
    QTest::addRow("key of another section")
        << QByteArray("[Outra]\nNome_do_Ouvinte=Ana\n[Ouvinte]\nX=1\n") << "Ouvinte"
        << "Nome_do_Ouvinte"
        << "<default>";
    QTest::addRow("blanks around name and value")
        << QByteArray(" [ Ouvinte ] \n\t Nome_do_Ouvinte \t=  Ana Maria \t\n") << "Ouvinte"
        << "Nome_do_Ouvinte"
        << "Ana Maria";
    QTest::addRow("double quotes")
        << QByteArray("[Ouvinte]\nNome_do_Ouvinte= \" Ana \" \n") << "Ouvinte"
        << "Nome_do_Ouvinte"
        << " Ana ";
    QTest::addRow("single quotes") << QByteArray("[Ouvinte]\nNome_do_Ouvinte='Ana'\n") << "Ouvinte"
                                   << "Nome_do_Ouvinte"
                                   << "Ana";
    QTest::addRow("unmatched quotes kept")
        << QByteArray("[Ouvinte]\nNome_do_Ouvinte=\"Ana'\n") << "Ouvinte"
        << "Nome_do_Ouvinte"
        << "\"Ana'";
    QTest::addRow("commented key") << QByteArray("[Ouvinte]\n;Nome_do_Ouvinte=Ana\n") << "Ouvinte"
                                   << "Nome_do_Ouvinte"
                                   << "<default>";
    QTest::addRow("first of two sections")
        << QByteArray("[Ouvinte]\nA=1\n[ouvinte]\nA=2\n") << "Ouvinte"
        << "A"
        << "1";
    QTest::addRow("last line without line end")
        << QByteArray("[Ouvinte]\nNome_do_Ouvinte=Ana") << "Ouvinte"
        << "Nome_do_Ouvinte"
        << "Ana";
    QTest::addRow("UTF-8") << ("[Ouvinte]\nNome_do_Ouvinte=" + kName.toUtf8() + "\n") << "Ouvinte"
                           << "Nome_do_Ouvinte" << kName;
    QTest::addRow("UTF-8 with BOM")
        << ("\xEF\xBB\xBF[Ouvinte]\nNome_do_Ouvinte=" + kName.toUtf8() + "\n") << "Ouvinte"
        << "Nome_do_Ouvinte" << kName;
    QTest::addRow("UTF-16 LE with BOM")
        << Utf16LE("[Ouvinte]\r\nNome_do_Ouvinte=" + kName + "\r\n") << "Ouvinte"
        << "Nome_do_Ouvinte" << kName;
    QTest::addRow("Windows-1252") << QByteArray("[Ouvinte]\r\nNome_do_Ouvinte=Jos\xE9 \x80\r\n")
                                  << "Ouvinte"
                                  << "Nome_do_Ouvinte" << QString::fromUtf8("José €");
    QTest::addRow("2100 characters read as 2047")
        << ("[Ouvinte]\nNome_do_Ouvinte=" + QByteArray(2100, 'a') + "\n") << "Ouvinte"
        << "Nome_do_Ouvinte" << QString(2047, u'a');
}

void TstIniFile::readReturnsStoredValueOrDefault() {
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    Store(Path(), file);
    QCOMPARE(TIniFile(Path()).ReadString(section, key, QStringLiteral("<default>")), expected);
}

void TstIniFile::readOfMissingFileGivesDefault() {
    QFile::remove(Path());
    QCOMPARE(TIniFile(Path()).ReadString("Ouvinte", "Nome_do_Ouvinte", "<default>"),
             QStringLiteral("<default>"));
    // A folder where the file should be reads the same way.
    QCOMPARE(TIniFile(dir_.path()).ReadString("Ouvinte", "Nome_do_Ouvinte", ""), QString());
}

void TstIniFile::writeChangesOnlyThatKey_data() {
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::addRow("new file") << false << QByteArray() << "Nome_do_Ouvinte"
                              << "Bia" << QByteArray("[Ouvinte]\nNome_do_Ouvinte=Bia\n");
    QTest::addRow("replace, other lines kept, CRLF kept")
        << true
        << QByteArray("; gerado pelo instalador\r\n[Geral]\r\nx = 1\r\n\r\n[ouvinte]\r\n"
                      "NOME_DO_OUVINTE = Ana\r\nEmail_do_Ouvinte=a@b\r\n")
        << "Nome_do_Ouvinte"
        << "Bia"
        << QByteArray("; gerado pelo instalador\r\n[Geral]\r\nx = 1\r\n\r\n[ouvinte]\r\n"
                      "NOME_DO_OUVINTE =Bia\r\nEmail_do_Ouvinte=a@b\r\n");
    QTest::addRow("key added at end of its section")
        << true << QByteArray("[Ouvinte]\nReceber_Notificacoes=Sim\n\n[Outra]\ny=2\n")
        << "Nome_do_Ouvinte"
        << "Bia"
        << QByteArray("[Ouvinte]\nReceber_Notificacoes=Sim\nNome_do_Ouvinte=Bia\n\n[Outra]\ny=2\n");
    QTest::addRow("section added at end, missing line end supplied")
        << true << QByteArray("[Outra]\r\ny=2") << "Nome_do_Ouvinte"
        << "Bia" << QByteArray("[Outra]\r\ny=2\r\n[Ouvinte]\r\nNome_do_Ouvinte=Bia\r\n");
    QTest::addRow("empty value") << true << QByteArray("[Ouvinte]\nNome_do_Ouvinte=Ana\n")
                                 << "Nome_do_Ouvinte"
                                 << "" << QByteArray("[Ouvinte]\nNome_do_Ouvinte=\n");
    QTest::addRow("line break in value cannot add a key")
        << true << QByteArray("[Ouvinte]\n") << "Nome_do_Ouvinte"
        << "Ana\nReceber_Notificacoes=Sim"
        << QByteArray("[Ouvinte]\nNome_do_Ouvinte=Ana Receber_Notificacoes=Sim\n");
    QTest::addRow("UTF-8 BOM kept")
        << true << QByteArray("\xEF\xBB\xBF[Ouvinte]\nNome_do_Ouvinte=Ana\n") << "Nome_do_Ouvinte"
        << kName << ("\xEF\xBB\xBF[Ouvinte]\nNome_do_Ouvinte=" + kName.toUtf8() + "\n");
    QTest::addRow("UTF-16 kept") << true << Utf16LE("[Ouvinte]\r\nNome_do_Ouvinte=Ana\r\n")
                                 << "Nome_do_Ouvinte" << kName
                                 << Utf16LE("[Ouvinte]\r\nNome_do_Ouvinte=" + kName + "\r\n");
    QTest::addRow("Windows-1252 becomes UTF-8, accents kept")
        << true << QByteArray("; Configura\xE7\xE3o\n[Ouvinte]\nNome_do_Ouvinte=Jo\xE3o\n")
        << "Email_do_Ouvinte"
        << "joao@example"
        << QString::fromUtf8("; Configuração\n[Ouvinte]\nNome_do_Ouvinte=João\n"
                             "Email_do_Ouvinte=joao@example\n")
               .toUtf8();
}

void TstIniFile::writeChangesOnlyThatKey() {
    QFETCH(bool, exists);
    QFETCH(QByteArray, before);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    QFile::remove(Path());
    if (exists)
        Store(Path(), before);
    TIniFile(Path()).WriteString("Ouvinte", key, value);
    QCOMPARE(Contents(Path()), after);
}

void TstIniFile::writtenNameReadsBackWhole() {
    QFile::remove(Path());
    TIniFile(Path()).WriteString("Ouvinte", "Nome_do_Ouvinte", kName);
    QCOMPARE(TIniFile(Path()).ReadString("Ouvinte", "Nome_do_Ouvinte", ""), kName);
}

void TstIniFile::refusedWriteRaisesWithFullPath_data() {
    QTest::addColumn<QString>("relativePath");
    QTest::addRow("folder is a regular file") << "notadir/Configuracao.ini";
    QTest::addRow("folder does not exist") << "missing/Configuracao.ini";
    QTest::addRow("path is a folder") << "afolder";
    QTest::addRow("read-only folder") << "readonly/Configuracao.ini";
}

void TstIniFile::refusedWriteRaisesWithFullPath() {
    QFETCH(QString, relativePath);
    QTemporaryDir root;
    Store(root.filePath("notadir"), "[Ouvinte]\n");
    QVERIFY(QDir(root.path()).mkdir("afolder"));
    QVERIFY(QDir(root.path()).mkdir("readonly"));
    const QString path = root.filePath(relativePath);
    if (relativePath.startsWith("readonly")) {
        if (geteuid() == 0)
            QSKIP("root writes into read-only folders");
        Store(path, "[Ouvinte]\nNome_do_Ouvinte=Ana\n");
        QFile::setPermissions(root.filePath("readonly"), QFile::ReadOwner | QFile::ExeOwner);
    }
    const QByteArray before = Contents(path);

    QString message;
    try {
        TIniFile(path).WriteString("Ouvinte", "Nome_do_Ouvinte", "Bia");
    } catch (const EIniFileException& error) {
        message = QString::fromUtf8(error.what());
    }
    QCOMPARE(message, "Unable to write to " + QFileInfo(path).absoluteFilePath());
    QCOMPARE(Contents(path), before);
    QCOMPARE(Contents(root.filePath("notadir")), QByteArray("[Ouvinte]\n"));
    QFile::setPermissions(root.filePath("readonly"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TstIniFile::interruptedWriteLeavesOldFile() {
    QTemporaryDir root;
    const QString path = root.filePath("Configuracao.ini");
    const QByteArray before = "[Ouvinte]\r\nNome_do_Ouvinte=Ana\r\nEmail_do_Ouvinte=a@b\r\n";
    Store(path, before);
    bool raised = false;
    {
        const TFileSizeLimit fullDisk(100);
        try {
            TIniFile(path).WriteString("Ouvinte", "Nome_do_Ouvinte", QString(500, u'x'));
        } catch (const EIniFileException&) {
            raised = true;
        }
    }
    QVERIFY(raised);
    QCOMPARE(Contents(path), before);
    QCOMPARE(QDir(root.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{"Configuracao.ini"}); // no half-written copy left behind
}

QTEST_GUILESS_MAIN(TstIniFile)
#include "tst_ini_file.moc"
