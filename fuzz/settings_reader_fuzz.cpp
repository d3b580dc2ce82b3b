// The settings reader on arbitrary file bytes: no crash, the bytes come back unchanged when
// nothing is written, and a value written into whatever it read comes back exactly while the
// other values stay as they were.

#include "stored/SettingsFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray codePage("windows-1251");
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    SettingsFile file = SettingsFile::parse(bytes, codePage);
    if (file.toBytes() != bytes)
        std::abort();
    const std::optional<QString> apiKey = file.find(QStringLiteral("api_key"));

    const QString key = QStringLiteral("TID_fuzz");
    const QString value = QStringLiteral(" Жук \"x\" é ");
    const QString oddKey = QStringLiteral("TID_a=b\r\n%3D");
    file.setValue(key, value);
    file.setValue(oddKey, key);
    if (file.find(key) != value || file.find(oddKey) != key)
        std::abort();

    const SettingsFile again = SettingsFile::parse(file.toBytes(), codePage);
    if (again.find(key) != value || again.find(oddKey) != key)
        std::abort();
    if (again.find(QStringLiteral("api_key")) != apiKey)
        std::abort();
    return 0;
}
