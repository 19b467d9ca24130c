#pragma once

#include "editor/CustomSizeForm.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;

namespace qf {

class FotoloomController;

// The sheet where the user types a canvas size of their own: width and
// height in a unit, a resolution and a name. The message field says what is
// wrong as the user types, or how long a large size takes; OK keeps and
// applies the size, Cancel puts the size popup back.
class CustomSizeSheet : public QDialog {
    Q_OBJECT
public:
    // Starts with the collage's size in pixels, its resolution and no name.
    CustomSizeSheet(FotoloomController& controller, QWidget* parent = nullptr);

    CustomSizeFields fields() const;
    // The unit popup chose `unit`: the fields are rewritten in it.
    void changeUnit(int unit);
    // Shows the verdict on the fields and answers whether they are accepted.
    bool validateFields();
    void setCustomSize();
    void cancelCustomSize();

private:
    FotoloomController& m_controller;
    QLineEdit* m_width = nullptr;
    QLineEdit* m_height = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_resolution = nullptr;
    QComboBox* m_unit = nullptr;
    QLabel* m_error = nullptr;
    int m_lastSelectedUnit = SizeUnitPixels;
    // The converted width and height behind the rounded texts the fields
    // show, so that a size changed to inches and back keeps its pixels.
    QString m_exactWidth;
    QString m_exactHeight;
};

} // namespace qf
