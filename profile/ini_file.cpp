#include "ini_file.h"

#include "legacy_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <optional>
#include <vector>

namespace profile {

namespace {

// The platform's read buffer holds 2048 characters, end mark included.
constexpr qsizetype kMaxValueLength = 2047;

enum class TEncoding { Utf8, Utf8Bom, Utf16LE, Utf16BE, Windows1252 };

struct TLine {
    QString content;
    QString eol; // "\r\n", "\n", "\r" or empty on a last line without one
};

struct TDocument {
    TEncoding encoding = TEncoding::Utf8;
    std::vector<TLine> lines;
};

QString Decode(const QByteArray& bytes, TEncoding& encoding) {
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        encoding = TEncoding::Utf8Bom;
        return QStringDecoder(QStringConverter::Utf8)(bytes.mid(3));
    }
    if (bytes.startsWith("\xFF\xFE")) {
        encoding = TEncoding::Utf16LE;
        return QStringDecoder(QStringConverter::Utf16LE)(bytes.mid(2));
    }
    if (bytes.startsWith("\xFE\xFF")) {
        encoding = TEncoding::Utf16BE;
        return QStringDecoder(QStringConverter::Utf16BE)(bytes.mid(2));
    }
    // Not UTF-8: the code page of the Windows installations that wrote such files.
    bool utf8 = true;
    QString text = zelvorna::DecodeUtf8OrWindows1252(bytes, &utf8);
    encoding = utf8 ? TEncoding::Utf8 : TEncoding::Windows1252;
    return text;
}

QByteArray Encode(const QString& text, TEncoding encoding) {
    switch (encoding) {
    case TEncoding::Utf16LE:
        return QByteArray("\xFF\xFE") + QStringEncoder(QStringConverter::Utf16LE)(text);
    case TEncoding::Utf16BE:
        return QByteArray("\xFE\xFF") + QStringEncoder(QStringConverter::Utf16BE)(text);
    case TEncoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case TEncoding::Utf8:
    case TEncoding::Windows1252: // never written: see WriteString
        break;
    }
    return text.toUtf8();
}

std::vector<TLine> SplitLines(const QString& text) {
    std::vector<TLine> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\n' && text[i] != u'\r')
            continue;
        const qsizetype eolLength = (text[i] == u'\r' && text.mid(i + 1, 1) == u"\n") ? 2 : 1;
        lines.push_back({text.mid(start, i - start), text.mid(i, eolLength)});
        i += eolLength - 1;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back({text.mid(start), QString()});
    return lines;
}

QString JoinLines(const std::vector<TLine>& lines) {
    QString text;
    for (const TLine& line : lines)
        text += line.content + line.eol;
    return text;
}

// The profile functions trim spaces and tabs only.
QString TrimBlanks(QStringView text) {
    auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin).toString();
}

std::optional<QString> SectionName(const QString& line) {
    const QString trimmed = TrimBlanks(line);
    if (!trimmed.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = trimmed.indexOf(u']');
    return TrimBlanks(QStringView(trimmed).mid(1, close < 0 ? -1 : close - 1));
}

// Position of the '=' of a key line, -1 for headers, comments and other lines.
qsizetype EqualsSign(const QString& line) {
    const QString trimmed = TrimBlanks(line);
    if (trimmed.startsWith(u'[') || trimmed.startsWith(u';'))
        return -1;
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0 || TrimBlanks(QStringView(line).left(equals)).isEmpty())
        return -1;
    return equals;
}

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The lines of the first section of that name: [header, end).
struct TSectionRange {
    size_t header = 0;
    size_t end = 0;
};

std::optional<TSectionRange> FindSection(const std::vector<TLine>& lines, const QString& section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto name = SectionName(lines[i].content);
        if (!name || !SameName(*name, section))
            continue;
        size_t end = i + 1;
        while (end < lines.size() && !SectionName(lines[end].content))
            ++end;
        return TSectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<size_t> FindKey(const std::vector<TLine>& lines, TSectionRange range,
                              const QString& key) {
    for (size_t i = range.header + 1; i < range.end; ++i) {
        const QString& content = lines[i].content;
        const qsizetype equals = EqualsSign(content);
        if (equals >= 0 && SameName(TrimBlanks(QStringView(content).left(equals)), key))
            return i;
    }
    return std::nullopt;
}

QString ValueOf(const QString& line) {
    QString value = TrimBlanks(QStringView(line).mid(EqualsSign(line) + 1));
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    if (value.size() > kMaxValueLength) {
        qsizetype length = kMaxValueLength;
        if (value[length - 1].isHighSurrogate())
            --length; // never hand out half a character
        value.truncate(length);
    }
    return value;
}

// nullopt when the file is missing or cannot be read.
std::optional<TDocument> Load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    TDocument document;
    document.lines = SplitLines(Decode(file.readAll(), document.encoding));
    return document;
}

QString LineEndingOf(const std::vector<TLine>& lines) {
    for (const TLine& line : lines) {
        if (!line.eol.isEmpty())
            return line.eol;
    }
    return QStringLiteral("\n");
}

// A line break in a value would start a new line, and so a new key, in the file.
QString OnOneLine(QString value) {
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    return value;
}

void SetValue(std::vector<TLine>& lines, const QString& section, const QString& key,
              const QString& value) {
    const QString eol = LineEndingOf(lines);
    const auto range = FindSection(lines, section);
    if (!range) {
        if (!lines.empty() && lines.back().eol.isEmpty())
            lines.back().eol = eol;
        lines.push_back({u'[' + section + u']', eol});
        lines.push_back({key + u'=' + value, eol});
        return;
    }
    if (const auto found = FindKey(lines, *range, key)) {
        QString& content = lines[*found].content;
        content = content.left(EqualsSign(content) + 1) + value;
        return;
    }
    // After the section's last non-blank line, so a blank line before the next section stays.
    size_t last = range->header;
    for (size_t i = range->header + 1; i < range->end; ++i) {
        if (!TrimBlanks(lines[i].content).isEmpty())
            last = i;
    }
    if (lines[last].eol.isEmpty())
        lines[last].eol = eol;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(last) + 1,
                 TLine{key + u'=' + value, eol});
}

} // namespace

EIniFileException::EIniFileException(const QString& message)
    : std::runtime_error(message.toUtf8().toStdString()) {}

TIniFile::TIniFile(QString path) : path_(QFileInfo(path).absoluteFilePath()) {}

QString TIniFile::ReadString(const QString& section, const QString& key,
                             const QString& defaultValue) const {
    const auto document = Load(path_);
    if (!document)
        return defaultValue;
    const auto range = FindSection(document->lines, section);
    if (!range)
        return defaultValue;
    const auto line = FindKey(document->lines, *range, key);
    return line ? ValueOf(document->lines[*line].content) : defaultValue;
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    WriteStrings(section, {{key, value}});
}

void TIniFile::WriteStrings(const QString& section,
                            const QList<std::pair<QString, QString>>& values) {
    const EIniFileException refused(QStringLiteral("Unable to write to ") + path_);
    TDocument document;
    if (QFileInfo::exists(path_)) {
        auto loaded = Load(path_);
        if (!loaded)
            throw refused; // rewriting it would lose what we could not read
        document = std::move(*loaded);
    }
    // A UTF-16 file stays UTF-16 with its byte-order mark, as the platform keeps it. A
    // Windows-1252 file becomes UTF-8 as a whole: 1252 cannot hold every character a listener
    // may type, and the reader recognises both.
    if (document.encoding == TEncoding::Windows1252)
        document.encoding = TEncoding::Utf8;
    for (const auto& [key, value] : values)
        SetValue(document.lines, section, key, OnOneLine(value));

    QSaveFile file(path_);
    // Unbuffered: a buffered write that fails only at commit (full disk) is renamed over the
    // old file anyway by this Qt version; written directly, the failure shows at write().
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw refused;
    const QByteArray bytes = Encode(JoinLines(document.lines), document.encoding);
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw refused;
}

TSettingsFiles SettingsFiles(const QString& executableFolder) {
    const QString fileName = QStringLiteral("Configuracao.ini");
    const QString beside = QDir(executableFolder).filePath(fileName);
    if (QFileInfo(beside).isFile())
        return {beside, QString()};
    const QString relative = QStringLiteral("radio-zelvorna/") + fileName;
    const QString userFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    TSettingsFiles files{QDir(userFolder).filePath(relative), QString()};
    for (const QString& folder :
         QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation)) {
        const QString candidate = QDir(folder).filePath(relative);
        if (folder != userFolder && QFileInfo(candidate).isFile()) {
            files.systemDefault = candidate;
            break;
        }
    }
    return files;
}

} // namespace profile
