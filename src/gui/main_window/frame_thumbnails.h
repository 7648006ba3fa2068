// Small pictures of the frames' picture files, for the frame list: made in the background by the
// program's own picture loader, kept by picture path in a bounded cache, and made again when the
// file's size or modification time changes.
#pragma once

#include "core/base/file_identity.h"

#include <QCache>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QThreadPool>

#include <deque>
#include <optional>

namespace pictoreel {

class FrameThumbnails final : public QObject {
    Q_OBJECT
public:
    // The side of the square every thumbnail fills, in device-independent pixels.
    static constexpr int kSide = 32;
    // At most this many thumbnails are kept; the least recently shown go first.
    static constexpr int kKept = 400;

    explicit FrameThumbnails(QObject* parent = nullptr);
    // Waits for the pictures being read at the moment (never for those still waiting).
    ~FrameThumbnails() override;

    // The thumbnail of `path`: its picture fitted into a kSide square, centred on a transparent
    // ground. Until it is made the square stays empty; a missing or unreadable file shows a
    // broken-picture mark. Asks for it to be made (or looked at again, see recheck) when it is
    // not at hand.
    QPixmap thumbnail(const QString& path);
    // Why the picture at `path` could not be read, once its thumbnail was tried and failed on a
    // file that is there; nothing otherwise (not tried yet, readable, or no file at all).
    std::optional<QString> readFailure(const QString& path) const;

    // The files may have changed since their thumbnails were made: the next request of one looks
    // at its size and modification time again (in the background), and meanwhile shows the one
    // at hand.
    void recheck(const QString& path);
    void recheckAll();

Q_SIGNALS:
    // One or more thumbnails are new since the last time (sent once for a batch of them).
    void thumbnailsChanged();

private:
    struct Entry {
        std::optional<FileStamp> stamp;  // nothing: no picture file at the path
        QPixmap pixmap;                  // null: none could be made
        QString failure;                 // why the file there could not be read
        quint64 looked = 0;              // the generation the file was last looked at in
    };
    struct Answer {
        QString path;
        std::optional<FileStamp> stamp;
        bool unchanged = false;  // the same file as the entry at hand
        QImage image;
        QString failure;
    };

    static Answer makeThumbnail(const QString& path, std::optional<FileStamp> known, int pixels);
    void request(const QString& path, const Entry* known);
    void startWaiting();
    void take(const Answer& answer);
    QPixmap emptySquare() const;
    QPixmap brokenMark() const;

    QCache<QString, Entry> cache_{kKept};
    // Files are looked at again when their entry is of an earlier generation than this.
    quint64 generation_ = 1;
    // Paths asked for and not answered yet, and the generation they were asked in (0 when they
    // were rechecked meanwhile).
    QHash<QString, quint64> pending_;
    std::deque<std::pair<QString, std::optional<FileStamp>>> waiting_;  // newest first
    int running_ = 0;
    bool changeSignalled_ = false;
    mutable QPixmap empty_;
    mutable QPixmap broken_;
    QThreadPool pool_;
};

}  // namespace pictoreel
