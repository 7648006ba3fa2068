#include "gui/dialogs/crop_dialog.h"

#include "gui/widgets/crop_editor.h"
#include "gui/widgets/compact_font.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>

namespace pictoreel {

CropDialog::CropDialog(QWidget* parent) : QDialog(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("frmCrop"));
    setWindowTitle(tr("Crop"));
    setAccessibleName(windowTitle());
    applyCompactFont(this);
    auto* form = new QFormLayout(this);
    const auto box = [&](const char* name, const QString& label) {
        auto* spin = new QSpinBox;
        spin->setObjectName(QLatin1String(name));
        spin->setAccessibleName(QString(label).remove(u'&').remove(u':'));
        spin->setKeyboardTracking(false);
        form->addRow(label, spin);
        connect(spin, &QSpinBox::valueChanged, this, [this] {
            if (!showing_)
                Q_EMIT rectEdited(rect());
        });
        return spin;
    };
    xBox_ = box("txtCropX", tr("&X:"));
    yBox_ = box("txtCropY", tr("&Y:"));
    widthBox_ = box("txtCropWidth", tr("&Width:"));
    heightBox_ = box("txtCropHeight", tr("&Height:"));
    aspectBox_ = new QComboBox;
    aspectBox_->setObjectName(QStringLiteral("cboCropAspect"));
    aspectBox_->setAccessibleName(tr("Aspect"));
    for (const CropAspect& aspect : kCropAspects)
        aspectBox_->addItem(tr(aspect.name), aspect.ratio);
    form->addRow(tr("&Aspect:"), aspectBox_);
    connect(aspectBox_, &QComboBox::activated, this,
            [this](int index) { Q_EMIT aspectChosen(aspectBox_->itemData(index).toDouble()); });
    auto* buttons = new QDialogButtonBox;
    QPushButton* apply = buttons->addButton(tr("Apply"), QDialogButtonBox::AcceptRole);
    apply->setObjectName(QStringLiteral("OKButton"));
    apply->setAccessibleName(tr("Apply"));
    apply->setDefault(true);
    QPushButton* reset = buttons->addButton(tr("&Reset"), QDialogButtonBox::ResetRole);
    reset->setObjectName(QStringLiteral("cmdCropReset"));
    reset->setAccessibleName(tr("Reset"));
    reset->setAutoDefault(false);
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    cancel->setAccessibleName(tr("Cancel"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(reset, &QPushButton::clicked, this, [this] {
        aspectBox_->setCurrentIndex(0);
        Q_EMIT resetClicked();
    });
}

void CropDialog::setPicture(QSize picture)
{
    showing_ = true;
    xBox_->setRange(0, std::max(0, picture.width() - 1));
    yBox_->setRange(0, std::max(0, picture.height() - 1));
    widthBox_->setRange(1, std::max(1, picture.width()));
    heightBox_->setRange(1, std::max(1, picture.height()));
    aspectBox_->setCurrentIndex(0);
    showing_ = false;
}

void CropDialog::showRect(QRect rect)
{
    showing_ = true;
    xBox_->setValue(rect.x());
    yBox_->setValue(rect.y());
    widthBox_->setValue(rect.width());
    heightBox_->setValue(rect.height());
    showing_ = false;
}

QRect CropDialog::rect() const { return {xBox_->value(), yBox_->value(), widthBox_->value(), heightBox_->value()}; }

}  // namespace pictoreel
