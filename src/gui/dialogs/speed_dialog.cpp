#include "gui/dialogs/speed_dialog.h"

#include "core/project/sequence_edits.h"
#include "gui/widgets/compact_font.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace pictoreel {

SpeedDialog::SpeedDialog(std::vector<int> intervals, std::vector<int> selected, QWidget* parent)
    : QDialog(parent), intervals_(std::move(intervals)), selected_(std::move(selected))
{
    setObjectName(QStringLiteral("frmSpeed"));
    setWindowTitle(tr("Change Speed"));
    setAccessibleName(windowTitle());
    applyCompactFont(this);

    auto* form = new QFormLayout(this);
    percentBox_ = new QSpinBox;
    percentBox_->setObjectName(QStringLiteral("txtSpeed"));
    percentBox_->setAccessibleName(tr("Speed"));
    percentBox_->setRange(10, 1000);
    percentBox_->setSuffix(QStringLiteral(" %"));
    percentBox_->setValue(100);
    form->addRow(tr("&Speed:"), percentBox_);
    selectedRowsOption_ = new QRadioButton(tr("S&elected frames (%1)").arg(selected_.size()));
    selectedRowsOption_->setObjectName(QStringLiteral("optSelectedRows"));
    selectedRowsOption_->setAccessibleName(tr("Selected frames"));
    auto* allRowsOption = new QRadioButton(tr("&All frames (%1)").arg(intervals_.size()));
    allRowsOption->setObjectName(QStringLiteral("optAllRows"));
    allRowsOption->setAccessibleName(tr("All frames"));
    const bool several = selected_.size() >= 2;
    selectedRowsOption_->setEnabled(several);
    (several ? selectedRowsOption_ : allRowsOption)->setChecked(true);
    form->addRow(selectedRowsOption_);
    form->addRow(allRowsOption);
    noteLabel_ = new QLabel;
    noteLabel_->setObjectName(QStringLiteral("lblSpeedNote"));
    noteLabel_->setAccessibleName(tr("Delays held at 2/100 s"));
    noteLabel_->setWordWrap(true);
    form->addRow(noteLabel_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelButton"));
    form->addRow(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(percentBox_, &QSpinBox::valueChanged, this, &SpeedDialog::showNote);
    connect(selectedRowsOption_, &QRadioButton::toggled, this, &SpeedDialog::showNote);
    showNote();
}

int SpeedDialog::percent() const { return percentBox_->value(); }

bool SpeedDialog::selectedRowsOnly() const { return selectedRowsOption_->isEnabled() && selectedRowsOption_->isChecked(); }

void SpeedDialog::showNote()
{
    int held = 0;
    const auto count = [&](int interval) { held += fallsUnderShortest(interval, percent()) ? 1 : 0; };
    if (selectedRowsOnly()) {
        for (int row : selected_)
            if (row >= 1 && std::size_t(row) <= intervals_.size())
                count(intervals_[std::size_t(row - 1)]);
    } else {
        for (int interval : intervals_)
            count(interval);
    }
    noteLabel_->setText(held == 0 ? QString()
                                    : tr("%1 of the delays would fall under 2/100 s and are held at 2/100 s: players "
                                                     "show 0 or 1 as 10/100 s.")
                                          .arg(held));
    noteLabel_->setAccessibleDescription(noteLabel_->text());
}

}  // namespace pictoreel
