// The settings file reader and writer on any file: reading never fails, and what is written
// reads back as written (on one line), whatever the file held before.
#include "ini_file.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

QString ScratchFile() {
    static const QString path =
        QDir::temp().filePath(QStringLiteral("fuzz-settings-%1.ini").arg(getpid()));
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString path = ScratchFile();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    profile::TIniFile ini(path);
    const QString section = QStringLiteral("Ouvinte");
    ini.ReadString(section, QStringLiteral("Nome_do_Ouvinte"), QString());
    ini.ReadString(section, QStringLiteral("Receber_Notificacoes"), QString());
    // The value a listener could type: a slice of the input, at most 50 characters.
    const QString typed =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))
            .left(50)
            .simplified();
    try {
        ini.WriteStrings(section, {{QStringLiteral("Nome_do_Ouvinte"), typed},
                                   {QStringLiteral("Email_do_Ouvinte"), QStringLiteral("e@x")}});
    } catch (const profile::EIniFileException&) {
        return 0; // an unreadable file is not rewritten
    }
    if (ini.ReadString(section, QStringLiteral("Nome_do_Ouvinte"), QString()) != typed.trimmed() &&
        !(typed.startsWith(u'"') || typed.startsWith(u'\'')))
        std::abort();
    return 0;
}
