#pragma once
// The listener's settings file: INI text read and written key by key, with the rules of the
// Windows private-profile functions, so a file from an older installation reads the same.
// One object per operation; nothing is cached between calls, every write reaches the disk.

#include <QList>
#include <QString>
#include <stdexcept>
#include <utility>

namespace profile {

// A refused write; what() is UTF-8.
class EIniFileException : public std::runtime_error {
public:
    explicit EIniFileException(const QString& message);
};

class TIniFile {
public:
    explicit TIniFile(QString path);

    // Section and key match regardless of letter case. A missing file, section or key gives
    // defaultValue; a present key gives its value without surrounding blanks and without one
    // pair of matching quotes, at most 2047 characters.
    QString ReadString(const QString& section, const QString& key,
                       const QString& defaultValue) const;

    // Replaces only this key's value (adding the key, the section or the file when missing) and
    // leaves every other line as it was. The new file replaces the old one whole, so an
    // interrupted write leaves the old file. Throws EIniFileException("Unable to write to
    // <full path>") when the write is refused.
    void WriteString(const QString& section, const QString& key, const QString& value);

    // The same for several keys of one section, in one replacement of the file: afterwards it
    // holds all of the new values or, when the write is refused or cut short, none of them.
    void WriteStrings(const QString& section, const QList<std::pair<QString, QString>>& values);

private:
    QString path_;
};

// Where the listener's settings file lives. A copy whose executable's folder holds
// Configuracao.ini is portable and keeps that file alone. Otherwise each listener has a file of
// their own, $XDG_CONFIG_HOME/radio-zelvorna/Configuracao.ini, and until they have one the
// system's default in the configuration folders (/etc/xdg/radio-zelvorna/...) is read instead.
struct TSettingsFiles {
    QString own;           // read when it exists, and always the one written
    QString systemDefault; // read while own does not exist; empty when there is none
};
TSettingsFiles SettingsFiles(const QString& executableFolder);

} // namespace profile
