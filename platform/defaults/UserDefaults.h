#pragma once

#include <QString>
#include <QVariant>

#include <memory>

class QSettings;

namespace qf {

// The user's defaults: small values by plain key names, kept by QSettings in
// the user's configuration folder. Tests point it at a file of their own.
class UserDefaults {
public:
    static UserDefaults& standard();

    // An absent key gives an invalid QVariant.
    QVariant value(const QString& key) const;
    void setValue(const QString& key, const QVariant& value);
    void remove(const QString& key);
    bool contains(const QString& key) const;
    // Reads that never throw or convert across types: a value of another
    // type counts as absent.
    bool boolForKey(const QString& key, bool fallback = false) const;
    void synchronize();

    // Keeps the defaults in the given INI file from now on (tests).
    void useFile(const QString& path);
    // Back to the user's own store.
    void useStandardStore();

    ~UserDefaults();

private:
    UserDefaults();
    std::unique_ptr<QSettings> m_settings;
};

} // namespace qf
