// The "Animation" tab of the main window's viewers: the project's animation as a make would write
// it, playing, with a button to play or pause it, buttons to step back and forward a frame, and
// the number of the shown frame.
//
// The animation is made again in the background whenever the project has changed (its rows or the
// global properties that go into a make), a short pause after the last change, into a GIF of the
// temp folder, from the frame cache like a preview. A change while it is being made stops that
// make and starts another. It is made only while the tab is shown and the window takes input: a
// Make or Preview of the window stops it first, and so does closing the window.
#pragma once

#include "core/project/project_file.h"
#include "gui/app/worker_job.h"

#include <QStringList>
#include <QTimer>
#include <QWidget>

class QAbstractItemModel;
class QLabel;
class QPushButton;
class QScrollArea;

namespace pictoreel {

class AppContext;
class FrameList;
class GifView;
class PropertyPanel;

// The file the tab's animation is made into, in the temp folder; swept with the other temp GIFs.
inline constexpr auto kAnimationTabFile = "__tmp__animation_tab.gif";

class AnimationTab final : public QWidget {
    Q_OBJECT
public:
    AnimationTab(const FrameList& frames, const PropertyPanel& panel, const AppContext& context,
                 QWidget* parent = nullptr);
    ~AnimationTab() override;

    // Makes the animation again, after the pause, whenever `model` (the frame list's rows) or the
    // panel's values change.
    void followProject(const QAbstractItemModel& model, const PropertyPanel& panel);

    // Starts making the animation now when the project differs from the animation shown (or
    // being made); stops a make of an older state. What the pause after a change runs.
    void remakeIfChanged();
    bool isMaking() const { return job_.isRunning(); }
    // The window's close was refused: what closing stopped is made again.
    void windowStaysOpen();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // PlayGifAnim at its own size, or with Fit a larger GIF scaled into the view.
    void placeAnimation();

private:
    // What goes into the animation: the rows' values and the global properties but the output file.
    struct ProjectState {
        QStringList rows;
        ProjectProperties properties;
        bool operator==(const ProjectState&) const = default;
    };
    struct Outcome;

    ProjectState currentState() const;
    void start(const ProjectState& state);
    void finished(const ProjectState& state, Outcome& outcome);
    // Stops a make under way and waits for it.
    void stopMaking();
    // The made animation (true), or a message in its place.
    void showResult(bool animation, const QString& message);
    void playOrPause();
    void step(int by);
    void showPlayback();

    const FrameList& frames_;
    const PropertyPanel& panel_;
    const AppContext& context_;

    QPushButton* cmdAnimBack = nullptr;
    QPushButton* cmdAnimPlay = nullptr;
    QPushButton* cmdAnimNext = nullptr;
    QLabel* lAnimFrame = nullptr;
    QLabel* lAnimMessage = nullptr;
    QScrollArea* picAnimation = nullptr;
    GifView* PlayGifAnim = nullptr;

    QTimer pause_;             // from the last change to the make
    ProjectState shown_;       // what the shown animation (or message) was made from
    ProjectState making_;      // what the make under way makes
    bool hasAnimation_ = false;   // the animation is shown, not only a message
    bool stoppedByUser_ = false;  // paused or stepped: a new animation stays on its frame
    bool watchingWindow_ = false;
    bool closing_ = false;  // the window is closing: nothing is made
    WorkerJob job_;  // last: the worker stops before anything else of this object goes
};

}  // namespace pictoreel
