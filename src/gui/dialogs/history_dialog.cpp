#include "gui/dialogs/history_dialog.h"

#include "core/project/history.h"
#include "gui/app/dialogs.h"
#include "gui/app/app_context.h"
#include "gui/widgets/twips.h"

#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>

namespace pictoreel {

namespace {

// The designed client area and the bar of buttons above the list, in twips.
constexpr int kClientWidth = 7755;
constexpr int kClientHeight = 6900;
constexpr int kBarHeight = 660;

QPushButton* barButton(QWidget* bar, const char* name, const QString& caption, int left)
{
    auto* b = new QPushButton(caption, bar);
    b->setObjectName(QLatin1String(name));
    // Enter presses the button that has the focus, as Space does.
    b->setAutoDefault(true);
    b->setGeometry(twipsRect(left, 120, 975, 375));
    return b;
}

}  // namespace

HistoryDialog::HistoryDialog(const AppContext& context, HistoryListMode mode, QWidget* parent, ProjectOpener openProject)
    : QDialog(parent), context_(context), dialogs_(context.dialogs()), openProject_(std::move(openProject))
{
    setObjectName(QStringLiteral("frmList"));
    setWindowTitle(tr("History List"));
    setAccessibleName(tr("History List"));
    setSizeGripEnabled(true);

    buttonBar_ = new QWidget(this);
    buttonBar_->setObjectName(QStringLiteral("Picture1"));
    auto* openButton = barButton(buttonBar_, "OKButton", tr("&Open"), 120);
    auto* cancelButton = barButton(buttonBar_, "CancelButton", tr("&Cancel"), 1200);
    auto* deleteButton = barButton(buttonBar_, "cmdDelete", tr("&Delete"), 3960);
    auto* clearButton = barButton(buttonBar_, "cmdClear", tr("&Clear All"), 5040);
    auto* saveButton = barButton(buttonBar_, "cmdSave", tr("&Save"), 6120);

    listPane_ = new QWidget(this);
    listPane_->setObjectName(QStringLiteral("Picture2"));
    historyList_ = new QListWidget(listPane_);
    historyList_->setObjectName(QStringLiteral("List1"));
    historyList_->setAccessibleName(tr("Recent project files"));
    historyList_->setSelectionMode(QAbstractItemView::SingleSelection);
    // Long paths scroll sideways rather than wrap.
    historyList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    connect(openButton, &QPushButton::clicked, this, [this] { openSelected(); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { cancel(); });
    connect(deleteButton, &QPushButton::clicked, this, [this] { deleteSelected(); });
    connect(clearButton, &QPushButton::clicked, this, [this] { clearList(); });
    connect(saveButton, &QPushButton::clicked, this, [this] { saveList(); });

    if (mode == HistoryListMode::Edit) {
        openButton->hide();
        cancelButton->hide();
    } else {
        // Enter on a line, or a double click, opens it, even one that only has the focus.
        connect(historyList_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
            historyList_->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
            openSelected();
        });
    }
    setTabOrder(openButton, cancelButton);
    setTabOrder(cancelButton, deleteButton);
    setTabOrder(deleteButton, clearButton);
    setTabOrder(clearButton, saveButton);
    setTabOrder(saveButton, historyList_);

    resize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    placePanels();
    loadHistory();
}

void HistoryDialog::loadHistory()
{
    historyList_->clear();
    historyList_->addItems(readHistory(context_.settingsFile()));
}

void HistoryDialog::placePanels()
{
    const int width = pixelsToTwips(this->width());
    const int height = pixelsToTwips(this->height());
    buttonBar_->setGeometry(twipsRect(0, 0, width, kBarHeight));
    // The pane docks along the top, the bottom, the left and the right in turn: it ends up
    // as wide as the window and as high as what the bar leaves.
    listPane_->setGeometry(twipsRect(0, kBarHeight, width, std::max(0, height - kBarHeight)));
    historyList_->setGeometry(0, 0, listPane_->width(), listPane_->height());
}

void HistoryDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    placePanels();
}

int HistoryDialog::selectedRow() const
{
    const QList<QListWidgetItem*> selected = historyList_->selectedItems();
    return selected.isEmpty() ? -1 : historyList_->row(selected.front());
}

void HistoryDialog::openSelected()
{
    const int row = selectedRow();
    const QString path = row < 0 ? QString() : historyList_->item(row)->text();
    if (path.trimmed().isEmpty()) {
        dialogs_.messageBox(this, tr("Please select a file to open ..."), QString(),
                            MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    if (!QFileInfo(path).isFile()) {
        dialogs_.messageBox(this, tr("The following file is not exist:\n") + path, QString(),
                            MessageIcon::Critical, MessageButtons::Ok);
        return;
    }
    if (!openProject_ || !openProject_(path))
        return;  // not a project: the user has been told, and the list stays for another choice
    accept();
}

void HistoryDialog::cancel() { reject(); }

void HistoryDialog::deleteSelected()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    delete historyList_->takeItem(row);
    // As after removing a line of a list box: no line is selected any more.
    historyList_->clearSelection();
    historyList_->setCurrentRow(-1);
}

void HistoryDialog::clearList() { historyList_->clear(); }

void HistoryDialog::saveList() { saveHistory(entries(), context_.settingsFile()); }

QStringList HistoryDialog::entries() const
{
    QStringList lines;
    lines.reserve(historyList_->count());
    for (int i = 0; i < historyList_->count(); ++i)
        lines.append(historyList_->item(i)->text());
    return lines;
}

}  // namespace pictoreel
