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
    txtSpeed = new QSpinBox;
    txtSpeed->setObjectName(QStringLiteral("txtSpeed"));
    txtSpeed->setAccessibleName(tr("Speed"));
    txtSpeed->setRange(10, 1000);
    txtSpeed->setSuffix(QStringLiteral(" %"));
    txtSpeed->setValue(100);
    form->addRow(tr("&Speed:"), txtSpeed);
    optSelectedRows = new QRadioButton(tr("S&elected frames (%1)").arg(selected_.size()));
    optSelectedRows->setObjectName(QStringLiteral("optSelectedRows"));
    optSelectedRows->setAccessibleName(tr("Selected frames"));
    optAllRows = new QRadioButton(tr("&All frames (%1)").arg(intervals_.size()));
    optAllRows->setObjectName(QStringLiteral("optAllRows"));
    optAllRows->setAccessibleName(tr("All frames"));
    const bool several = selected_.size() >= 2;
    optSelectedRows->setEnabled(several);
    (several ? optSelectedRows : optAllRows)->setChecked(true);
    form->addRow(optSelectedRows);
    form->addRow(optAllRows);
    lblSpeedNote = new QLabel;
    lblSpeedNote->setObjectName(QStringLiteral("lblSpeedNote"));
    lblSpeedNote->setAccessibleName(tr("Delays held at 2/100 s"));
    lblSpeedNote->setWordWrap(true);
    form->addRow(lblSpeedNote);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelButton"));
    form->addRow(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(txtSpeed, &QSpinBox::valueChanged, this, &SpeedDialog::showNote);
    connect(optSelectedRows, &QRadioButton::toggled, this, &SpeedDialog::showNote);
    showNote();
}

int SpeedDialog::percent() const { return txtSpeed->value(); }

bool SpeedDialog::selectedRowsOnly() const { return optSelectedRows->isEnabled() && optSelectedRows->isChecked(); }

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
    lblSpeedNote->setText(held == 0 ? QString()
                                    : tr("%1 of the delays would fall under 2/100 s and are held at 2/100 s: players "
                                                     "show 0 or 1 as 10/100 s.")
                                          .arg(held));
    lblSpeedNote->setAccessibleDescription(lblSpeedNote->text());
}

}  // namespace pictoreel
