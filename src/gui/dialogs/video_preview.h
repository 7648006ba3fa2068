// The picture a video shows at a time, decoded on a worker thread so that the window asking for
// it never waits: a request made while one is decoded replaces any waiting one, and only the
// latest is answered. The first answer also tells the video's length. The decoder is kept from
// one request to the next, so moving forward decodes only the frames in between.
#pragma once

#include "gui/app/worker_job.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace pictoreel {

struct VideoPreviewState;

class VideoPreview final : public QObject {
    Q_OBJECT
public:
    explicit VideoPreview(QString video, QObject* parent = nullptr);
    ~VideoPreview() override;

    // Asks for the picture shown at `microseconds` from the video's start.
    void request(std::int64_t microseconds);
    bool isBusy() const { return job_.isRunning(); }

Q_SIGNALS:
    // The video's length in microseconds (from the file, or from its last frame when the file
    // does not say); sent once, before the first picture.
    void lengthKnown(qint64 microseconds);
    // The picture shown at the time last asked for (a null image when the video gave none).
    void pictureReady(const QImage& picture, qint64 microseconds);

private:
    void startNext();

    QString video_;
    std::shared_ptr<VideoPreviewState> state_;  // the worker's, between runs
    std::optional<std::int64_t> waiting_;
    bool lengthSent_ = false;
    WorkerJob job_;  // last: the work stops before the rest goes
};

}  // namespace pictoreel
