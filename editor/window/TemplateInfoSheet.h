#pragma once

#include <QDialog>

#include <functional>

class QComboBox;
class QLineEdit;

namespace qf {

// The sheet where a template's author gives it up to three categories,
// chosen from the catalogue's (or typed), and a description. Done hands
// them over; Cancel keeps what there was.
class TemplateInfoSheet : public QDialog {
    Q_OBJECT
public:
    using Done = std::function<void(const QStringList& categories, const QString& description)>;

    TemplateInfoSheet(const QStringList& knownCategories, const QStringList& categories, const QString& description,
                      Done done, QWidget* parent = nullptr);

private:
    QList<QComboBox*> m_categories;
    QLineEdit* m_description = nullptr;
};

} // namespace qf
