// The property panel `SSTab1` above the frame list: "Global Properties" (the project's width,
// height, looping and output file), "Frame Properties" (the values of the frame being edited,
// which new frames take too) and "File Properties" (facts about the shown frame's picture).
// The panel's controls are where these values live; nothing else keeps a copy.
#pragma once

#include "core/project/frame_list.h"
#include "core/project/project_file.h"

#include <QLineEdit>
#include <QPointer>
#include <QProxyStyle>
#include <QSpinBox>
#include <QSize>
#include <QTabWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace pictoreel {

class Dialogs;

// The platform's look with less room around tab captions.
class CompactTabStyle final : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
};

enum class PanelTab : int { Global = 0, Frame = 1, File = 2 };

// What the panel shows of the frame being edited.
struct ShownFrame {
    int interval = 0;
    bool transparent = false;
    std::optional<std::int32_t> transColor;  // none: the swatch keeps its colour
    int pictureWidth = 0;
    int pictureHeight = 0;
    // A drawing's own size when it is beyond the limits and the picture is drawn smaller.
    std::optional<QSize> drawingOwnSize;
    QString fileName;
    QString folder;
    QString picture;  // the file whose size is shown
};

class PropertyPanel final : public QTabWidget {
    Q_OBJECT
public:
    explicit PropertyPanel(QWidget* parent = nullptr);

    // Where the range messages are shown; until it is set, a failed range check shows nothing
    // but still returns the focus.
    void setDialogs(Dialogs* dialogs) { dialogs_ = dialogs; }

    // ---- the values --------------------------------------------------------------------------
    ProjectProperties projectProperties() const;

    // Runs at once the range check of a box that has just lost the focus, or that still holds
    // it (a shortcut moves no focus), instead of once the focus settles. A command acting on the
    // panel's values (Apply, Make) calls it first and stops on false, so that it never acts on a
    // text the check refuses: as when the check runs before the click that took the focus away.
    // False when a text was refused (its message shown, the focus back in its box).
    bool settleRangeChecks();
    // Puts the values into the boxes as they are (no validation); a loop value of 2 shows the
    // check box greyed, any other value than 0, 1 or 2 leaves it as it is.
    void setProjectProperties(const ProjectProperties& properties);
    void resetProjectProperties() { setProjectProperties(ProjectProperties{}); }

    NewFrameValues frameValues() const;
    void setFrameValues(const NewFrameValues& values);
    void resetFrameValues() { setFrameValues(NewFrameValues{}); }

    // The colour of the `lTransColor` swatch, 0x00BBGGRR.
    std::int32_t transColor() const { return transColor_; }
    void setTransColor(std::int32_t colorRef);

    // `txtWidth` and `txtHeight` as they are written.
    std::pair<QString, QString> frameSizeTexts() const;
    // The largest width and height the size boxes take (their range checks and messages).
    void setLargestFrameSide(int side) { largestFrameSide_ = side; }
    int largestFrameSide() const { return largestFrameSide_; }
    void setFrameWidth(int width);
    void setFrameHeight(int height);

    // `txtOutputFile`.
    QString outputFile() const;
    void setOutputFile(const QString& file);

    // The frame being edited: its values go into "Frame Properties" (a frame without a colour
    // of its own leaves the swatch as it is), the facts about its picture into "File Properties".
    void showFrame(const ShownFrame& frame);
    // Empties `lWidth`, `lHeight`, `lSize`, `lName` and `lPath`.
    void clearFileFacts();

    // The Auto Size buttons `cmdAutoW` and `cmdAutoH`.
    void setAutoSizeEnabled(bool enabled);

    // The tab containers `Picture1` to `Picture3` are `width` twips wide; the output file box
    // stretches to the "..." button at the right margin.
    void setContainerWidthTwips(int width);

    // The picture whose proportions "Keep aspect ratio" keeps (the first frame's); none or an
    // unreadable one: the proportions of the size boxes when the box was ticked.
    void setAspectPictureSource(std::function<QString()> firstPicture) { aspectPicture_ = std::move(firstPicture); }

Q_SIGNALS:
    // The buttons, for the window to act on: "Auto Size" of the width and of the height, the
    // output file's "..." (or a key typed into the read-only output file box), the transparent
    // colour's "...", and the two Apply buttons.
    void autoWidthClicked();
    void autoHeightClicked();
    void outputFileRequested();
    void transColorRequested();
    void applyClicked();
    void applyAllClicked();
    // The user has typed a new width or height and left the box (or pressed Enter).
    void frameSizeEdited();
    // The user has chosen another fit or bar colour.
    void frameStyleEdited();
    // The user has left a box or pressed Enter in it, clicked a box or button, or made a choice:
    // a value may have changed.
    void projectPropertiesEdited();
    // The user has ticked or unticked `chkTrans`.
    void transparentClicked(bool ticked);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // `txtLoop` is enabled exactly when `chkLoop` is unticked (greyed counts as ticked).
    void applyLoopRule();
    // The range check of `txtInterval`, `txtWidth`, `txtHeight` or `txtLoop`, run when the box
    // loses the focus to another control of the window: an empty, non-numeric or out-of-range
    // text shows the box's two-line message, makes the box's tab current and gives the focus
    // back to the box, its text unchanged. Returns whether the text was valid.
    bool checkRange(QLineEdit* box);
    // Whether the text of `box` passes its range check; a box without one always does.
    bool holdsValidValue(const QLineEdit* box) const;
    // The boxes that take numbers only, each with its range check.
    std::array<QLineEdit*, 4> numericBoxes() const { return {txtInterval, txtWidth, txtHeight, txtLoop}; }

    void buildGlobalTab();
    void buildFrameTab();
    void buildFileTab();
    // The fit, bar colour, aspect lock and size budget rows of "Global Properties"
    // (property_panel_fit.cpp).
    void buildFitRows();
    void readFitRows(ProjectProperties& properties) const;
    void showFitRows(const ProjectProperties& properties);
    void setFitColor(std::optional<std::int32_t> colorRef);
    // The other size box from the one the user types in, while the aspect ratio is kept.
    void keepAspect(QLineEdit* typed);
    bool checkMaxSize();
    void setTabOrderByRows();
    // Queues the range check of `box`, which has just lost the focus.
    void boxLostFocus(QLineEdit* box);

    // ---- the controls, by their names -------------------------------------------------------
    QWidget* Picture1 = nullptr;  // "Frame Properties"
    QWidget* Picture2 = nullptr;  // "Global Properties"
    QWidget* Picture3 = nullptr;  // "File Properties"

    QLineEdit* txtWidth = nullptr;
    QLineEdit* txtHeight = nullptr;
    QPushButton* cmdAutoW = nullptr;
    QPushButton* cmdAutoH = nullptr;
    QLineEdit* txtLoop = nullptr;
    QCheckBox* chkLoop = nullptr;
    QLineEdit* txtOutputFile = nullptr;
    QPushButton* cmdOutputFile = nullptr;
    QComboBox* cboFit = nullptr;
    QLabel* lFitColor = nullptr;
    QPushButton* cmdFitColor = nullptr;
    QCheckBox* chkAspect = nullptr;
    QLineEdit* txtMaxSize = nullptr;
    QSpinBox* spnQuality = nullptr;  // 0 shows "default": no Quality

    QLineEdit* txtInterval = nullptr;
    QCheckBox* chkTrans = nullptr;
    QLabel* lTransColor = nullptr;
    QPushButton* cmdTransColor = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdApplyAll = nullptr;

    QLabel* lWidth = nullptr;
    QLabel* lHeight = nullptr;
    QLabel* lSize = nullptr;
    QLabel* lName = nullptr;
    QLabel* lPath = nullptr;

    std::int32_t transColor_ = kWhite;
    std::optional<std::int32_t> fitColor_;  // none: transparent bars
    std::function<QString()> aspectPicture_;
    double boxesAspect_ = 0;  // width / height of the boxes when the aspect was last taken from them
    Dialogs* dialogs_ = nullptr;
    // Set while a failed check shows its message and moves the focus back, so that the focus
    // leaving another box on the way starts no second check.
    bool checking_ = false;
    int largestFrameSide_ = 1024;
    // The box whose queued check has not run yet.
    QPointer<QLineEdit> pendingCheck_;
    // The project's captions, which no box shows: kept so that a save gives them back.
    CaptionLayers captions_;
    // Likewise the crop and the turn of the pictures (Edit, "Crop ...", the rotations and flips).
    QString crop_, rotate_, mirror_;
};

// "1,536 Bytes (1.5 KB)": the size of the file in bytes and in kilobytes, digits grouped and
// decimals written the user's way. Empty when the file cannot be opened.
QString FileSizeText(const QString& path);
// The same for a size already known.
QString fileSizeTextFor(qint64 bytes, const QLocale& locale);

}  // namespace pictoreel
