#include "platform/defaults/UserDefaults.h"

#include <QSettings>

namespace qf {

UserDefaults::UserDefaults()
{
    useStandardStore();
}

UserDefaults::~UserDefaults() = default;

UserDefaults& UserDefaults::standard()
{
    static UserDefaults defaults;
    return defaults;
}

QVariant UserDefaults::value(const QString& key) const
{
    return m_settings->value(key);
}

void UserDefaults::setValue(const QString& key, const QVariant& value)
{
    m_settings->setValue(key, value);
}

void UserDefaults::remove(const QString& key)
{
    m_settings->remove(key);
}

bool UserDefaults::contains(const QString& key) const
{
    return m_settings->contains(key);
}

bool UserDefaults::boolForKey(const QString& key, bool fallback) const
{
    const QVariant v = value(key);
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return v.toLongLong() != 0;
    case QMetaType::QString: {
        // INI files hand booleans back as text.
        const QString s = v.toString();
        if (s == QLatin1String("true"))
            return true;
        if (s == QLatin1String("false"))
            return false;
        return fallback;
    }
    default:
        return fallback;
    }
}

void UserDefaults::synchronize()
{
    m_settings->sync();
}

void UserDefaults::useFile(const QString& path)
{
    m_settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
}

void UserDefaults::useStandardStore()
{
    m_settings = std::make_unique<QSettings>();
}

} // namespace qf
