#include "stored/SettingsFile.h"

#include "LumettaError.h"
#include "stored/HexDigit.h"
#include "stored/Utf16Text.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

const QString sectionTitle = QStringLiteral("Parametrs");
const QByteArray utf8Mark("\xEF\xBB\xBF");

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isQuote(QChar c)
{
    return c == u'"' || c == u'\'';
}

QString trimmedBlanks(const QString &text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isBlank(text.at(start)))
        ++start;
    while (end > start && isBlank(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

QString withoutLineBreaks(QString text)
{
    return text.remove(u'\r').remove(u'\n');
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isEscapedInKeys(char16_t c)
{
    return c == u'%' || c == u'=' || c == u'\r' || c == u'\n' || c == u'[' || c == u';';
}

// The text of bytes when they are valid UTF-8; a byte-order mark is kept as a character.
std::optional<QString> utf8Text(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                       QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

SettingsFile::SettingsFile(const QByteArray &codePage) : m_codePage(codePage) {}

std::optional<QByteArray> SettingsFile::readBytes(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

SettingsFile SettingsFile::read(const QString &path, const QByteArray &codePage)
{
    const std::optional<QByteArray> bytes = readBytes(path);
    return bytes ? parse(*bytes, codePage) : SettingsFile(codePage);
}

std::optional<SettingsFile> SettingsFile::readForUpdate(const QString &path,
                                                        const QByteArray &codePage)
{
    if (!QFileInfo::exists(path))
        return SettingsFile(codePage);
    const std::optional<QByteArray> bytes = readBytes(path);
    if (!bytes)
        return std::nullopt;
    return parse(*bytes, codePage);
}

SettingsFile SettingsFile::parse(const QByteArray &bytes, const QByteArray &codePage)
{
    SettingsFile file(codePage);
    if (bytes.startsWith(utf8Mark)) {
        file.m_encoding = Encoding::Utf8WithMark;
        file.splitByteLines(bytes.mid(utf8Mark.size()));
    } else if (const auto order = Utf16Text::byteOrderOf(bytes)) {
        file.m_encoding = *order == QSysInfo::LittleEndian ? Encoding::Utf16LE : Encoding::Utf16BE;
        file.splitUtf16Lines(bytes.mid(2));
    } else {
        file.splitByteLines(bytes);
    }
    return file;
}

void SettingsFile::splitByteLines(const QByteArray &bytes)
{
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes.at(end) != '\r' && bytes.at(end) != '\n')
            ++end;
        qsizetype next = end;
        if (next < bytes.size())
            next += bytes.mid(next, 2) == "\r\n" ? 2 : 1;
        Line line = byteLine(bytes.mid(start, end - start));
        line.lineBreak = bytes.mid(end, next - end);
        m_lines.append(line);
        start = next;
    }
}

void SettingsFile::splitUtf16Lines(const QByteArray &bytes)
{
    const QString text = Utf16Text::decode(
        bytes, m_encoding == Encoding::Utf16LE ? QSysInfo::LittleEndian : QSysInfo::BigEndian);
    m_oddByte = bytes.size() % 2 ? bytes.right(1) : QByteArray();
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text.at(end) != u'\r' && text.at(end) != u'\n')
            ++end;
        qsizetype next = end;
        if (next < text.size())
            next += text.mid(next, 2) == QLatin1String("\r\n") ? 2 : 1;
        // One character is one code unit of two bytes.
        m_lines.append({text.mid(start, end - start), bytes.mid(2 * start, 2 * (end - start)),
                        bytes.mid(2 * end, 2 * (next - end))});
        start = next;
    }
}

// A line of a file without UTF-16: UTF-8 when it is valid UTF-8, else the code page.
SettingsFile::Line SettingsFile::byteLine(const QByteArray &bytes) const
{
    if (std::optional<QString> text = utf8Text(bytes))
        return {*text, bytes, {}, false};
    return {m_codePage.decode(bytes), bytes, {}, true};
}

// The bytes of a changed or new line. In a file without a mark a line goes in the code page
// when asked and when it reads back the same from there, else in UTF-8.
QByteArray SettingsFile::encodeLine(const QString &text, bool inCodePage) const
{
    switch (m_encoding) {
    case Encoding::Utf16LE:
        return Utf16Text::encodeWithMark(text, QSysInfo::LittleEndian).mid(2);
    case Encoding::Utf16BE:
        return Utf16Text::encodeWithMark(text, QSysInfo::BigEndian).mid(2);
    case Encoding::NoMark:
        if (inCodePage) {
            const std::optional<QByteArray> bytes = m_codePage.encodeExactly(text);
            if (bytes && byteLine(*bytes).text == text)
                return *bytes;
        }
        break;
    case Encoding::Utf8WithMark:
        break;
    }
    return text.toUtf8();
}

QByteArray SettingsFile::newLineBreak() const
{
    return encodeLine(QStringLiteral("\r\n"), false);
}

// A file without a mark that already holds lines in the code page gets its new lines there
// too, as far as the code page holds them.
bool SettingsFile::prefersCodePage() const
{
    for (const Line &line : m_lines) {
        if (line.inCodePage)
            return true;
    }
    return false;
}

void SettingsFile::setLineText(qsizetype index, const QString &text)
{
    Line &line = m_lines[index];
    line.text = text;
    line.bytes = encodeLine(text, line.inCodePage);
    line.inCodePage = m_encoding == Encoding::NoMark && byteLine(line.bytes).inCodePage;
}

void SettingsFile::insertLine(qsizetype at, const QString &text)
{
    if (at > 0 && m_lines.at(at - 1).lineBreak.isEmpty())
        m_lines[at - 1].lineBreak = newLineBreak();
    m_lines.insert(at, {QString(), {}, newLineBreak(), prefersCodePage()});
    setLineText(at, text);
}

std::optional<QString> SettingsFile::sectionName(const QString &line)
{
    const QString trimmed = trimmedBlanks(line);
    if (!trimmed.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = trimmed.indexOf(u']');
    return trimmedBlanks(trimmed.mid(1, close < 0 ? -1 : close - 1));
}

std::optional<SettingsFile::KeyLine> SettingsFile::keyLine(const QString &line)
{
    const QString trimmed = trimmedBlanks(line);
    const qsizetype equals = trimmed.indexOf(u'=');
    if (trimmed.startsWith(u';') || equals < 0)
        return std::nullopt;
    return KeyLine{trimmedBlanks(trimmed.left(equals)), trimmedBlanks(trimmed.mid(equals + 1))};
}

QString SettingsFile::storedKeyName(const QString &key)
{
    const QString trimmed = trimmedBlanks(key);
    QString name;
    name.reserve(trimmed.size());
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const char16_t c = trimmed.at(i).unicode();
        // "[" and ";" only where they would open a section or a comment.
        const bool opensLine = c == u'[' || c == u';';
        if (isEscapedInKeys(c) && (i == 0 || !opensLine))
            name += QStringLiteral("%%1").arg(uint(c), 2, 16, QLatin1Char('0')).toUpper();
        else
            name += QChar(c);
    }
    return name;
}

QString SettingsFile::keyOfStoredName(const QString &name)
{
    QString key;
    key.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name.at(i) == u'%' && i + 2 < name.size()) {
            const int high = HexDigitValue(name.at(i + 1));
            const int low = HexDigitValue(name.at(i + 2));
            const char16_t c = char16_t(high * 16 + low);
            if (high >= 0 && low >= 0 && isEscapedInKeys(c)) {
                key += QChar(c);
                i += 2;
                continue;
            }
        }
        key += name.at(i);
    }
    return key;
}

QString SettingsFile::unquoted(const QString &value)
{
    if (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

QString SettingsFile::quotedIfNeeded(const QString &value)
{
    if (value.isEmpty())
        return value;
    const bool blankEnds = isBlank(value.front()) || isBlank(value.back());
    if (blankEnds || unquoted(value).size() != value.size())
        return u'"' + value + u'"';
    return value;
}

// The lines of every "Parametrs" section, headers excluded.
QList<qsizetype> SettingsFile::sectionLines() const
{
    QList<qsizetype> lines;
    bool inSection = false;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (const auto name = sectionName(m_lines.at(i).text))
            inSection = sameName(*name, sectionTitle);
        else if (inSection)
            lines.append(i);
    }
    return lines;
}

std::optional<SettingsFile::KeyLine> SettingsFile::findKey(const QString &key) const
{
    const QString wanted = trimmedBlanks(key);
    for (const qsizetype i : sectionLines()) {
        auto entry = keyLine(m_lines.at(i).text);
        if (entry && sameName(keyOfStoredName(entry->name), wanted)) {
            entry->index = i;
            return entry;
        }
    }
    return std::nullopt;
}

// Where a new key of the first "Parametrs" section goes: after its last key line, or after
// its header when it has none; -1 when there is no such section.
qsizetype SettingsFile::findSectionEnd() const
{
    qsizetype end = -1;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (const auto name = sectionName(m_lines.at(i).text)) {
            if (end >= 0)
                break;
            if (sameName(*name, sectionTitle))
                end = i + 1;
        } else if (end >= 0 && keyLine(m_lines.at(i).text)) {
            end = i + 1;
        }
    }
    return end;
}

std::optional<QString> SettingsFile::find(const QString &key) const
{
    const std::optional<KeyLine> entry = findKey(key);
    if (!entry)
        return std::nullopt;
    return unquoted(entry->value);
}

QString SettingsFile::value(const QString &key, const QString &defaultValue) const
{
    return find(key).value_or(defaultValue);
}

void SettingsFile::setValue(const QString &key, const QString &value)
{
    const QString stored = quotedIfNeeded(withoutLineBreaks(value));
    if (const std::optional<KeyLine> entry = findKey(key)) {
        // The name stays as the file has it; it may be written by hand.
        setLineText(entry->index, entry->name + u'=' + stored);
        return;
    }
    qsizetype at = findSectionEnd();
    if (at < 0) {
        at = m_lines.size();
        insertLine(at++, u'[' + sectionTitle + u']');
    }
    insertLine(at, storedKeyName(key) + u'=' + stored);
}

QByteArray SettingsFile::toBytes() const
{
    QByteArray bytes;
    switch (m_encoding) {
    case Encoding::Utf8WithMark:
        bytes = utf8Mark;
        break;
    case Encoding::Utf16LE:
        bytes = "\xFF\xFE";
        break;
    case Encoding::Utf16BE:
        bytes = "\xFE\xFF";
        break;
    case Encoding::NoMark:
        break;
    }
    for (const Line &line : m_lines)
        bytes += line.bytes + line.lineBreak;
    return bytes + m_oddByte;
}

void SettingsFile::write(const QString &path, bool ownerOnly) const
{
    // A temporary file beside the target takes its place only when complete, so a failed
    // write leaves the former file whole.
    const QByteArray bytes = toBytes();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw LumettaError(writeFailure(path));
#ifndef Q_OS_WIN
    // Best effort: a file system without POSIX modes keeps what it has.
    if (ownerOnly)
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
#else
    Q_UNUSED(ownerOnly);
#endif
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw LumettaError(writeFailure(path));
}

QString SettingsFile::writeFailure(const QString &path)
{
    return QStringLiteral("Unable to write to %1").arg(path);
}
