// The two converter windows, `frmAVI2GIF` ("AVI to GIF Converter") and `frmGIF2AVI` ("GIF to
// AVI Converter"), are twins: a source file box in `Frame1` and a target file box in `Frame2`,
// each with its "..." button, the hidden progress bar `pbPer`, "&Convert" and "Close". Choosing a
// source proposes the target name; "&Convert" checks both names and converts on a worker thread,
// whose progress shows the bar and which ends with "Converted Successfully". A failed conversion
// is told in one box and the window is ready again; closing the window meanwhile cancels it.
#pragma once

#include "core/base/error.h"
#include "gui/app/worker_job.h"

#include <QDialog>

class QLineEdit;
class QProgressBar;
class QPushButton;

namespace pictoreel {

class Dialogs;

inline constexpr auto kConvertedSuccessfully = QT_TRANSLATE_NOOP("pictoreel::ConverterWindow", "Converted Successfully");
inline constexpr auto kFileDoesNotExist = QT_TRANSLATE_NOOP("pictoreel::ConverterWindow", "The following file does not exist!");

// What makes one twin: its direction, names, texts and filters.
struct ConverterTexts {
    bool aviToGif = true;
    const char* objectName = "";
    const char* caption = "";
    const char* sourceGroup = "";  // the caption of `Frame1`
    const char* targetGroup = "";  // the caption of `Frame2`
    const char* sourceFilter = "";
    const char* targetFilter = "";
    const char* sourceExtension = "";  // the proposal replaces this ending...
    const char* targetExtension = "";  // ...by this one
    const char* noSource = "";
    const char* noTarget = "";
    const char* failed = "";
    int clientHeightTwips = 0;
};

class ConverterWindow : public QDialog {
    Q_OBJECT
public:
    // The conversion's progress: below 100 the bar shows and the buttons are disabled; 100 or
    // more hides the bar, enables the buttons and tells of the success (and of a source that
    // broke off before its end: the part before the break is what was converted).
    void showConversionProgress(int percent);

    bool isConverting() const { return job_.isRunning(); }

    // Closing (the close box, Escape) while a conversion runs cancels it: nothing is written and
    // an earlier target stays as it was.
    void reject() override;

Q_SIGNALS:
    // A conversion has ended and what it tells has been told.
    void conversionFinished();

protected:
    ConverterWindow(const ConverterTexts& texts, Dialogs& dialogs, QWidget* parent);

private:
    // The "..." buttons: `cmdAVI` picks the AVI file, `cmdGIF` the GIF file, each the source or
    // the target as the window's direction has it.
    void chooseAviFile();
    void chooseGifFile();
    void convert();
    void closeWindow();
    void chooseSource();
    void chooseTarget();
    // Ready for the next conversion: the bar hidden, the buttons enabled.
    void endConversion();
    void conversionDone(const Status& status);
    QLineEdit* sourceBox() const { return texts_.aviToGif ? aviBox_ : gifBox_; }
    QLineEdit* targetBox() const { return texts_.aviToGif ? gifBox_ : aviBox_; }

    // ---- the controls, with their object names ----------------------------------------------
    QLineEdit* aviBox_ = nullptr;  // txtAVI
    QLineEdit* gifBox_ = nullptr;  // txtGIF
    QPushButton* aviButton_ = nullptr;  // cmdAVI
    QPushButton* gifButton_ = nullptr;  // cmdGIF
    QProgressBar* progressBar_ = nullptr;  // pbPer
    QPushButton* convertButton_ = nullptr;  // cmdConvert
    QPushButton* closeButton_ = nullptr;  // cmdClose

    ConverterTexts texts_;
    Dialogs& dialogs_;
    QString cutShortNote_;  // what the conversion under way found of its source being cut short
    WorkerJob job_;
};

}  // namespace pictoreel
