// The start-up pictures of normal mode: the first picture for one step, the second (the first
// with a speech balloon) for another, centred and kept in front; Enter or Escape end them.
#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>

class QLabel;

namespace tarnwick {

class CSplashDlg : public QDialog {
    Q_OBJECT

public:
    enum : int { kIdPicture = 1042 };
    static constexpr int kPictureWidth = 320; // pixels
    static constexpr int kPictureHeight = 301;
    static constexpr int kStepMs = 2000; // each picture stands this long
    static const char* const kFirstPicture;
    static const char* const kSecondPicture;

    // A picture that cannot be loaded leaves the picture control as it was; the pictures
    // still end after two steps.
    explicit CSplashDlg(const QString& firstPicture = QString::fromLatin1(kFirstPicture),
                        const QString& secondPicture = QString::fromLatin1(kSecondPicture),
                        int stepMs = kStepMs, QWidget* parent = nullptr);

    const QString& CurrentPicture() const { return m_current; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void ShowPicture(const QString& path);

    QString m_second;
    QString m_current;
    QLabel* m_picture = nullptr;
    QTimer m_step;  // first picture, then second, then the end
    QTimer m_front; // every 100 ms: back in front
};

} // namespace tarnwick
