#include "widgets/window_placement.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QDialog>
#include <QEvent>
#include <QLayout>
#include <QPointer>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSet>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <cstdint>

#include "platform/x11_desktop.h"

namespace tarnwick {

namespace {

constexpr char kFitted[] = "tarnwickFitted";
constexpr char kCentring[] = "tarnwickCentring";
// Room left for a frame the window manager has not drawn yet: a title bar and borders.
constexpr int kFrameAllowanceWidth = 16;
constexpr int kFrameAllowanceHeight = 48;
constexpr int kCentringDelaysMs[] = {0, 150, 400}; // apart enough for a move to be done

QRect AvailableArea(const QWidget& window) {
    const QScreen* screen =
        window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

class DialogPlacement final : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            auto* dialog = qobject_cast<QDialog*>(watched);
            if (dialog != nullptr && dialog->isWindow()) {
                FitToAvailableArea(*dialog);
                TabToCheckedRadios(*dialog);
                if (dialog->parentWidget() != nullptr && dialog->windowHandle() != nullptr &&
                    !dialog->property(kCentring).toBool()) {
                    dialog->setProperty(kCentring, true); // once, however often it shows
                    m_pending.insert(dialog->windowHandle());
                }
            }
        } else if (event->type() == QEvent::Expose) {
            auto* window = qobject_cast<QWindow*>(watched);
            // The first map only: the user may move the dialog after it.
            if (window != nullptr && window->isExposed() && m_pending.remove(window)) {
                // The window manager tells the frame it drew a moment after the map: the
                // dialog is centred again as the frame becomes known.
                QPointer<QWidget> widget = QWidget::find(window->winId());
                for (int delayMs : kCentringDelaysMs) {
                    QTimer::singleShot(delayMs, this, [widget] {
                        if (widget != nullptr && widget->isVisible()) {
                            CentreOnParent(*widget);
                        }
                    });
                }
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QSet<QObject*> m_pending; // dialogs' windows still to be centred when they map
};

} // namespace

void InstallDialogPlacement() {
    static DialogPlacement* placement = nullptr;
    if (placement == nullptr) {
        placement = new DialogPlacement(qApp);
        qApp->installEventFilter(placement);
    }
}

void FitToAvailableArea(QDialog& dialog) {
    const QRect available = AvailableArea(dialog);
    if (available.isEmpty() || dialog.property(kFitted).toBool()) {
        return;
    }
    const QSize limit = available.size() - QSize(kFrameAllowanceWidth, kFrameAllowanceHeight);
    if (dialog.layout() != nullptr) {
        dialog.layout()->activate();
    }
    const QSize wanted = dialog.size().expandedTo(dialog.minimumSizeHint());
    if (wanted.width() <= limit.width() && wanted.height() <= limit.height()) {
        return;
    }
    dialog.setProperty(kFitted, true);
    // Everything the dialog holds moves into a scroll area of the size the screen allows.
    auto* content = new QWidget;
    if (QLayout* layout = dialog.layout()) {
        content->setLayout(layout); // takes the layout and its widgets from the dialog
    } else {
        for (QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isWindow()) {
                continue;
            }
            const QRect geometry = child->geometry();
            child->setParent(content);
            child->setGeometry(geometry);
        }
        content->setMinimumSize(wanted);
    }
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("fitScrollArea"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    auto* outer = new QVBoxLayout(&dialog);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSizeConstraint(QLayout::SetDefaultConstraint);
    outer->addWidget(scroll);
    const int bar = dialog.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const QSize size = QSize(wanted.width() + bar, wanted.height() + bar).boundedTo(limit);
    dialog.setMinimumSize(0, 0);
    dialog.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    dialog.setFixedSize(size);
}

void CentreOnParent(QWidget& window) {
    QWidget* parent = window.parentWidget() != nullptr ? window.parentWidget()->window() : nullptr;
    const QRect available = AvailableArea(window);
    if (parent == nullptr || !parent->isVisible() || parent->isMinimized() || available.isEmpty()) {
        return;
    }
    // Both frames where they really are.
    const QRect frame =
        window.frameGeometry().translated(RealOrigin(window) - window.geometry().topLeft());
    const QRect parentFrame =
        parent->frameGeometry().translated(RealOrigin(*parent) - parent->geometry().topLeft());
    QPoint topLeft = parentFrame.center() - QPoint(frame.width() / 2, frame.height() / 2);
    // Kept on the screen, the title bar first.
    topLeft.setX(std::clamp(topLeft.x(), available.left(),
                            std::max(available.left(), available.right() + 1 - frame.width())));
    topLeft.setY(std::clamp(topLeft.y(), available.top(),
                            std::max(available.top(), available.bottom() + 1 - frame.height())));
    const QPoint shift = topLeft - frame.topLeft();
    if (shift.manhattanLength() > 1) {
        window.move(window.pos() + shift); // a shift holds whatever Qt takes the position for
    }
}

void TabToCheckedRadios(QWidget& root) {
    constexpr char kWatched[] = "tarnwickTabToChecked";
    for (QRadioButton* radio : root.findChildren<QRadioButton*>()) {
        if (radio->property(kWatched).toBool()) {
            continue;
        }
        // The radio's own group, or the buttons that share its parent (auto-exclusive).
        const auto members = [radio] {
            QList<QAbstractButton*> list;
            if (radio->group() != nullptr) {
                list = radio->group()->buttons();
            } else if (radio->parentWidget() != nullptr) {
                for (QRadioButton* sibling : radio->parentWidget()->findChildren<QRadioButton*>(
                         Qt::FindDirectChildrenOnly)) {
                    list << sibling;
                }
            }
            return list;
        };
        const auto refresh = [members] {
            const QList<QAbstractButton*> buttons = members();
            const bool anyChecked = std::any_of(buttons.begin(), buttons.end(),
                                                [](QAbstractButton* b) { return b->isChecked(); });
            for (QAbstractButton* button : buttons) {
                button->setFocusPolicy(!anyChecked || button->isChecked() ? Qt::StrongFocus
                                                                          : Qt::ClickFocus);
            }
        };
        radio->setProperty(kWatched, true);
        QObject::connect(radio, &QAbstractButton::toggled, radio, refresh);
        refresh();
    }
}

xcb_connection_t* X11Connection() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return nullptr;
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

QPoint RealOrigin(const QWidget& window) {
    xcb_connection_t* connection = X11Connection();
    int x = 0;
    int y = 0;
    if (connection != nullptr && window.testAttribute(Qt::WA_WState_Created) &&
        X11WindowOrigin(connection, std::uint32_t(window.internalWinId()),
                        X11DefaultRoot(connection), x, y)) {
        const qreal ratio = window.devicePixelRatioF();
        return QPoint(qRound(x / ratio), qRound(y / ratio));
    }
    return window.geometry().topLeft();
}

} // namespace tarnwick
