#include "stored/SettingsFile.h"

#include "LumettaError.h"
#include "stored/Utf16Text.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

const QString sectionTitle = QStringLiteral("Parametrs");
const QString newLineBreak = QStringLiteral("\r\n");
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

SettingsFile SettingsFile::readForUpdate(const QString &path, const QByteArray &codePage)
{
    if (!QFileInfo::exists(path))
        return SettingsFile(codePage);
    const std::optional<QByteArray> bytes = readBytes(path);
    if (!bytes)
        throw LumettaError(writeFailure(path));
    return parse(*bytes, codePage);
}

SettingsFile SettingsFile::parse(const QByteArray &bytes, const QByteArray &codePage)
{
    SettingsFile file(codePage);
    if (bytes.startsWith(utf8Mark)) {
        file.m_encoding = Encoding::Utf8WithMark;
        file.setText(QString::fromUtf8(bytes.mid(utf8Mark.size())));
    } else if (const auto order = Utf16Text::byteOrderOf(bytes)) {
        file.m_encoding = *order == QSysInfo::LittleEndian ? Encoding::Utf16LE : Encoding::Utf16BE;
        file.setText(Utf16Text::decode(bytes.mid(2), *order));
    } else {
        try {
            file.setText(TextCodePage::decodeUtf8Strict(bytes));
            file.m_encoding = Encoding::Utf8;
        } catch (const LumettaError &) {
            file.m_encoding = Encoding::CodePage;
            file.setText(file.m_codePage.decode(bytes));
        }
    }
    return file;
}

void SettingsFile::setText(const QString &text)
{
    m_lines.clear();
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text.at(end) != u'\r' && text.at(end) != u'\n')
            ++end;
        qsizetype next = end;
        if (next < text.size())
            next += text.mid(next, 2) == newLineBreak ? 2 : 1;
        m_lines.append({text.mid(start, end - start), text.mid(end, next - end)});
        start = next;
    }
}

QString SettingsFile::text() const
{
    QString text;
    for (const Line &line : m_lines)
        text += line.text + line.lineBreak;
    return text;
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
    const QList<qsizetype> lines = sectionLines();
    for (const qsizetype i : lines) {
        auto entry = keyLine(m_lines.at(i).text);
        if (entry && sameName(entry->key, key)) {
            entry->index = i;
            return entry;
        }
    }
    if (!key.contains(u'='))
        return std::nullopt;
    // A key holding "=" is found where its whole text stands before an "=".
    for (const qsizetype i : lines) {
        const QString trimmed = trimmedBlanks(m_lines.at(i).text);
        const QString rest = trimmedBlanks(trimmed.mid(key.size()));
        if (trimmed.startsWith(key, Qt::CaseInsensitive) && rest.startsWith(u'='))
            return KeyLine{trimmed.left(key.size()), trimmedBlanks(rest.mid(1)), i};
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
    const std::optional<KeyLine> entry = findKey(trimmedBlanks(key));
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
    const QString cleanKey = trimmedBlanks(withoutLineBreaks(key));
    const QString stored = quotedIfNeeded(withoutLineBreaks(value));
    if (const std::optional<KeyLine> entry = findKey(cleanKey)) {
        m_lines[entry->index].text = entry->key + u'=' + stored;
        return;
    }
    qsizetype at = findSectionEnd();
    if (at < 0) {
        at = m_lines.size();
        insertLine(at++, u'[' + sectionTitle + u']');
    }
    insertLine(at, cleanKey + u'=' + stored);
}

void SettingsFile::insertLine(qsizetype at, const QString &text)
{
    if (at > 0 && m_lines.at(at - 1).lineBreak.isEmpty())
        m_lines[at - 1].lineBreak = newLineBreak;
    m_lines.insert(at, {text, newLineBreak});
}

QByteArray SettingsFile::toBytes() const
{
    const QString all = text();
    switch (m_encoding) {
    case Encoding::Utf8WithMark:
        return utf8Mark + all.toUtf8();
    case Encoding::Utf16LE:
        return Utf16Text::encodeWithMark(all, QSysInfo::LittleEndian);
    case Encoding::Utf16BE:
        return Utf16Text::encodeWithMark(all, QSysInfo::BigEndian);
    case Encoding::CodePage:
        // A value the code page cannot hold turns the whole file into UTF-8.
        if (const std::optional<QByteArray> bytes = m_codePage.encodeExactly(all))
            return *bytes;
        break;
    case Encoding::Utf8:
        break;
    }
    return all.toUtf8();
}

void SettingsFile::write(const QString &path) const
{
    // A temporary file beside the target takes its place only when complete, so a failed
    // write leaves the former file whole.
    const QByteArray bytes = toBytes();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        file.write(bytes) != bytes.size() || !file.commit())
        throw LumettaError(writeFailure(path));
}

QString SettingsFile::writeFailure(const QString &path)
{
    return QStringLiteral("Unable to write to %1").arg(path);
}
