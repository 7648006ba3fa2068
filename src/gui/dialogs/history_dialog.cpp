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

    Picture1 = new QWidget(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    OKButton = barButton(Picture1, "OKButton", tr("&Open"), 120);
    CancelButton = barButton(Picture1, "CancelButton", tr("&Cancel"), 1200);
    cmdDelete = barButton(Picture1, "cmdDelete", tr("&Delete"), 3960);
    cmdClear = barButton(Picture1, "cmdClear", tr("&Clear All"), 5040);
    cmdSave = barButton(Picture1, "cmdSave", tr("&Save"), 6120);

    Picture2 = new QWidget(this);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    List1 = new QListWidget(Picture2);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setAccessibleName(tr("Recent project files"));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    // Long paths scroll sideways rather than wrap.
    List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    connect(OKButton, &QPushButton::clicked, this, [this] { openSelected(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { cancel(); });
    connect(cmdDelete, &QPushButton::clicked, this, [this] { deleteSelected(); });
    connect(cmdClear, &QPushButton::clicked, this, [this] { clearList(); });
    connect(cmdSave, &QPushButton::clicked, this, [this] { saveList(); });

    if (mode == HistoryListMode::Edit) {
        OKButton->hide();
        CancelButton->hide();
    } else {
        // Enter on a line, or a double click, opens it, even one that only has the focus.
        connect(List1, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
            List1->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
            openSelected();
        });
    }
    setTabOrder(OKButton, CancelButton);
    setTabOrder(CancelButton, cmdDelete);
    setTabOrder(cmdDelete, cmdClear);
    setTabOrder(cmdClear, cmdSave);
    setTabOrder(cmdSave, List1);

    resize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    placePanels();
    loadHistory();
}

void HistoryDialog::loadHistory()
{
    List1->clear();
    List1->addItems(readHistory(context_.settingsFile()));
}

void HistoryDialog::placePanels()
{
    const int width = pixelsToTwips(this->width());
    const int height = pixelsToTwips(this->height());
    Picture1->setGeometry(twipsRect(0, 0, width, kBarHeight));
    // The pane docks along the top, the bottom, the left and the right in turn: it ends up
    // as wide as the window and as high as what the bar leaves.
    Picture2->setGeometry(twipsRect(0, kBarHeight, width, std::max(0, height - kBarHeight)));
    List1->setGeometry(0, 0, Picture2->width(), Picture2->height());
}

void HistoryDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    placePanels();
}

int HistoryDialog::selectedRow() const
{
    const QList<QListWidgetItem*> selected = List1->selectedItems();
    return selected.isEmpty() ? -1 : List1->row(selected.front());
}

void HistoryDialog::openSelected()
{
    const int row = selectedRow();
    const QString path = row < 0 ? QString() : List1->item(row)->text();
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
    delete List1->takeItem(row);
    // As after removing a line of a list box: no line is selected any more.
    List1->clearSelection();
    List1->setCurrentRow(-1);
}

void HistoryDialog::clearList() { List1->clear(); }

void HistoryDialog::saveList() { saveHistory(entries(), context_.settingsFile()); }

QStringList HistoryDialog::entries() const
{
    QStringList lines;
    lines.reserve(List1->count());
    for (int i = 0; i < List1->count(); ++i)
        lines.append(List1->item(i)->text());
    return lines;
}

}  // namespace pictoreel
