#include "gui/main_window/thumbnail_toggle.h"

#include "core/project/settings_store.h"
#include "gui/main_window/frame_list_model.h"
#include "gui/main_window/frame_thumbnails.h"
#include "gui/main_window/main_window.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHeaderView>
#include <QMenu>

#include <functional>
#include <memory>

namespace pictoreel {

namespace {

const QString kSection = QStringLiteral("Frame List");
const QString kKey = QStringLiteral("Show Thumbnails");

// Turns the thumbnails of the window's frame list on or off. The first column is as much wider
// as a thumbnail takes while they are shown, so that the numbers keep their room; `widened`
// tells whether it is now.
void showThumbnails(MainWindow& window, bool shown, bool& widened)
{
    auto* view = window.findChild<FrameListView*>(QStringLiteral("ListView1"));
    auto* model = view ? qobject_cast<FrameListModel*>(view->model()) : nullptr;
    if (!model)
        return;
    model->setThumbnailsShown(shown);
    if (shown != widened) {
        constexpr int kRoom = FrameThumbnails::kSide + 4;  // the picture and the gap after it
        view->header()->resizeSection(0, view->header()->sectionSize(0) + (shown ? kRoom : -kRoom));
        widened = shown;
    }
}

// Runs `shown` once, when the watched window is first shown: by then it has read its settings.
class OnFirstShow final : public QObject {
public:
    OnFirstShow(QWidget& window, std::function<void()> shown, QObject* parent)
        : QObject(parent), window_(window), shown_(std::move(shown))
    {
        window_.installEventFilter(this);
    }
    void forget() { window_.removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &window_ && event->type() == QEvent::Show) {
            forget();
            shown_();
        }
        return false;
    }

private:
    QWidget& window_;
    std::function<void()> shown_;
};

}  // namespace

void addThumbnailToggle(QMenu* menu, MainWindow& window)
{
    menu->addSeparator()->setObjectName(QStringLiteral("mnuEditThumbnailsSep"));
    QAction* action = menu->addAction(QCoreApplication::translate("pictoreel::MainWindow", "Show &Thumbnails"));
    action->setObjectName(QStringLiteral("mnuEditThumbnails"));
    action->setCheckable(true);
    action->setChecked(true);
    auto widened = std::make_shared<bool>(false);
    QObject::connect(action, &QAction::toggled, menu, [&window, widened](bool shown) { showThumbnails(window, shown, *widened); });
    auto* remembered = new OnFirstShow(window, [action, &window, widened] {
        const QString value = ReadIniKey(kSection, kKey, QStringLiteral("1"), window.context().settingsFile());
        action->setChecked(value.trimmed() != u'0');
        showThumbnails(window, action->isChecked(), *widened);
    }, action);
    // The user's choice, once made, wins over the one kept from before.
    QObject::connect(action, &QAction::triggered, menu, [remembered, &window](bool shown) {
        remembered->forget();
        WriteIniKey(kSection, kKey, shown ? QStringLiteral("1") : QStringLiteral("0"), window.context().settingsFile());
    });
}

}  // namespace pictoreel
