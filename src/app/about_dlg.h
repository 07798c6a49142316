// The about box (template 100): the program icon, the version line and OK, with no caption.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace tarnwick {

class CAboutDlg final : public QDialog {
    Q_OBJECT

public:
    enum : int { kIdIcon = 1040, kIdVersion = 1041, kIdOk = 1 };
    static constexpr const char* kVersionText = "Tarnwick Version 1.10";

    explicit CAboutDlg(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_icon;
    QLabel* m_version;
    QPushButton* m_ok;
};

} // namespace tarnwick
