#include "platform/QtSettingsStore.h"

#include "model/Text.h"

#include <QByteArray>
#include <QDataStream>
#include <QFile>
#include <QIODevice>
#include <QVariant>
#include <algorithm>
#include <cctype>

namespace quillan::platform {

namespace {

#ifndef Q_OS_WIN
// One value a line, in the spirit of a registry export:
//   "name"="text"            QString (UTF-8, with \\ \" \n \r \t \xHH escapes)
//   "name"=dword:0000e100    int
//   "name"=hex:0a0b0c        QByteArray
//   "name"=variant:....      any other QVariant, as hex of its QDataStream form
// Blank lines and lines starting with ';' are skipped. Anything else makes the whole file
// unreadable, so that a damaged file is reported and left alone rather than overwritten.
constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_6_0;

void appendQuoted(QByteArray& out, const QString& text)
{
    out += '"';
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                out += "\\x" + QByteArray::number(static_cast<unsigned char>(c) + 0x100, 16).mid(1);
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

bool allHexDigits(const QByteArray& digits)
{
    return std::all_of(digits.cbegin(), digits.cend(),
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

bool parseHex(const QByteArray& digits, QByteArray& bytes)
{
    if (digits.size() % 2 != 0 || !allHexDigits(digits)) {
        return false;
    }
    bytes = QByteArray::fromHex(digits);
    return true;
}

// Reads a quoted text starting at pos; pos ends after the closing quote.
bool parseQuoted(const QByteArray& line, qsizetype& pos, QString& text)
{
    if (pos >= line.size() || line[pos] != '"') {
        return false;
    }
    QByteArray bytes;
    for (++pos; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == '"') {
            ++pos;
            text = QString::fromUtf8(bytes);
            return true;
        }
        if (c != '\\') {
            bytes += c;
            continue;
        }
        if (++pos >= line.size()) {
            return false;
        }
        switch (line[pos]) {
        case '\\':
            bytes += '\\';
            break;
        case '"':
            bytes += '"';
            break;
        case 'n':
            bytes += '\n';
            break;
        case 'r':
            bytes += '\r';
            break;
        case 't':
            bytes += '\t';
            break;
        case 'x': {
            const QByteArray digits = line.mid(pos + 1, 2);
            if (digits.size() != 2 || !allHexDigits(digits)) {
                return false;
            }
            bytes += QByteArray::fromHex(digits);
            pos += 2;
            break;
        }
        default:
            return false;
        }
    }
    return false;
}

bool parseValue(const QByteArray& text, QVariant& value)
{
    if (text.startsWith('"')) {
        qsizetype pos = 0;
        QString string;
        if (!parseQuoted(text, pos, string) || pos != text.size()) {
            return false;
        }
        value = string;
        return true;
    }
    if (text.startsWith("dword:")) {
        const QByteArray digits = text.mid(6);
        if (digits.size() != 8 || !allHexDigits(digits)) {
            return false;
        }
        const uint number = digits.toUInt(nullptr, 16);
        value = static_cast<int>(static_cast<std::int32_t>(number));
        return true;
    }
    QByteArray bytes;
    if (text.startsWith("hex:")) {
        if (!parseHex(text.mid(4), bytes)) {
            return false;
        }
        value = bytes;
        return true;
    }
    if (text.startsWith("variant:")) {
        if (!parseHex(text.mid(8), bytes)) {
            return false;
        }
        QDataStream stream(bytes);
        stream.setVersion(kStreamVersion);
        stream >> value;
        return stream.status() == QDataStream::Ok && stream.atEnd();
    }
    return false;
}

bool readTyped(QIODevice& device, QSettings::SettingsMap& map)
{
    const QByteArray all = device.readAll();
    for (QByteArray line : all.split('\n')) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        if (line.trimmed().isEmpty() || line.startsWith(';')) {
            continue;
        }
        qsizetype pos = 0;
        QString name;
        QVariant value;
        if (!parseQuoted(line, pos, name) || pos >= line.size() || line[pos] != '=' ||
            !parseValue(line.mid(pos + 1), value)) {
            return false;
        }
        map.insert(name, value);
    }
    return true;
}

bool writeTyped(QIODevice& device, const QSettings::SettingsMap& map)
{
    QByteArray out = "; Quillan settings\n";
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        appendQuoted(out, it.key());
        out += '=';
        const QVariant& value = it.value();
        switch (value.typeId()) {
        case QMetaType::QString:
            appendQuoted(out, value.toString());
            break;
        case QMetaType::Int:
            out +=
                "dword:" +
                QByteArray::number(static_cast<quint32>(value.toInt()), 16).rightJustified(8, '0');
            break;
        case QMetaType::QByteArray:
            out += "hex:" + value.toByteArray().toHex();
            break;
        default: {
            QByteArray bytes;
            QDataStream stream(&bytes, QIODevice::WriteOnly);
            stream.setVersion(kStreamVersion);
            stream << value;
            if (stream.status() != QDataStream::Ok) {
                return false;
            }
            out += "variant:" + bytes.toHex();
        }
        }
        out += '\n';
    }
    return device.write(out) == out.size();
}
#endif

QString toQString(std::string_view text)
{
    return QString::fromStdString(cp1252ToUtf8(text));
}

std::string fromQString(const QString& text)
{
    return utf8ToCp1252(text.toStdString());
}

std::unique_ptr<QSettings> makeSettings()
{
    return std::make_unique<QSettings>(QtSettingsStore::format(), QSettings::UserScope,
                                       QString::fromLatin1(QtSettingsStore::kOrganisation),
                                       QString::fromLatin1(QtSettingsStore::kApplication));
}

// QSettings reports a file it cannot parse only to the first instance that reads it; later
// instances share the cached (empty) result and would overwrite the file at their first
// write. So every open checks the file itself.
bool fileReadable(const QString& fileName)
{
#ifdef Q_OS_WIN
    Q_UNUSED(fileName);
    return true;
#else
    QFile file(fileName);
    if (!file.exists()) {
        return true;
    }
    QSettings::SettingsMap map;
    return file.open(QIODevice::ReadOnly) && readTyped(file, map);
#endif
}

} // namespace

QSettings::Format QtSettingsStore::format()
{
#ifdef Q_OS_WIN
    return QSettings::NativeFormat;
#else
    static const QSettings::Format typed =
        QSettings::registerFormat(QStringLiteral("settings"), readTyped, writeTyped);
    return typed;
#endif
}

std::unique_ptr<QSettings> QtSettingsStore::openProfile()
{
    auto settings = makeSettings();
    settings->beginGroup(toQString(kProfileSubkey));
    return settings;
}

QtSettingsStore::~QtSettingsStore()
{
    close();
}

SettingsResult QtSettingsStore::open()
{
    close();
    auto settings = makeSettings();
    const std::string where = fromQString(settings->fileName());
    if (settings->status() == QSettings::FormatError || !fileReadable(settings->fileName())) {
        return {SettingsStatus::damaged, strprintf("%s cannot be read.", where.c_str())};
    }
    if (settings->status() != QSettings::NoError || !settings->isWritable()) {
        return {SettingsStatus::cannotOpen, strprintf("%s cannot be written.", where.c_str())};
    }
    m_settings = std::move(settings);
    return SettingsResult::success();
}

void QtSettingsStore::close()
{
    if (m_settings) {
        m_settings->sync();
        m_settings.reset();
    }
}

bool QtSettingsStore::contains(std::string_view name) const
{
    return m_settings && m_settings->contains(toQString(name));
}

std::optional<std::string> QtSettingsStore::readText(std::string_view name) const
{
    if (!m_settings) {
        return std::nullopt;
    }
    const QVariant value = m_settings->value(toQString(name));
    if (value.typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    return fromQString(value.toString());
}

std::optional<std::int32_t> QtSettingsStore::readNumber(std::string_view name) const
{
    if (!m_settings) {
        return std::nullopt;
    }
    const QVariant value = m_settings->value(toQString(name));
    if (value.typeId() != QMetaType::Int) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value.toInt());
}

SettingsResult QtSettingsStore::writeText(std::string_view name, std::string_view value)
{
    if (!m_settings) {
        return {SettingsStatus::notOpen, "The settings key is not open."};
    }
    m_settings->setValue(toQString(name), toQString(value));
    return commit();
}

SettingsResult QtSettingsStore::writeNumber(std::string_view name, std::int32_t value)
{
    if (!m_settings) {
        return {SettingsStatus::notOpen, "The settings key is not open."};
    }
    m_settings->setValue(toQString(name), static_cast<int>(value));
    return commit();
}

SettingsResult QtSettingsStore::removeSubkey(std::string_view name)
{
    if (!m_settings) {
        return {SettingsStatus::notOpen, "The settings key is not open."};
    }
    m_settings->remove(toQString(name));
    return commit();
}

// Every change goes to the disk at once, so a failed write is seen by its caller.
SettingsResult QtSettingsStore::commit()
{
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError) {
        return {SettingsStatus::writeFailed,
                strprintf("%s cannot be written.", fromQString(m_settings->fileName()).c_str())};
    }
    return SettingsResult::success();
}

} // namespace quillan::platform
