// The About box `frmAbout` ("About Pictoreel"): the animated logo, the name and version, and two
// links — the web site and a mail to support — in blue, underlined while the pointer is over them,
// with the pointing hand; a click hands the address to the desktop shell. No buttons: the close
// box ends it. A missing or unreadable logo leaves its place empty.
#pragma once

#include <QDialog>

class QFrame;
class QLabel;

namespace pictoreel {

class GifView;
class Shell;

inline constexpr auto kProgramName = "Pictoreel";
inline constexpr auto kProgramVersion = "1.40";
inline constexpr auto kWebsiteAddress = "https://www.example.org/pictoreel/";
inline constexpr auto kSupportAddress = "support@example.org";

class AboutDialog final : public QDialog {
    Q_OBJECT
public:
    AboutDialog(const QString& logoFile, Shell& shell, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void loadLogo(const QString& logoFile);
    // Underlines `link` (the website or the support address) and no other; nullptr underlines none.
    void HighlightLink(QLabel* link);
    void visitWebsite();
    void writeToSupport();

    // ---- the controls, with their object names ----------------------------------------------
    QFrame* frame_ = nullptr;  // Frame1
    GifView* logo_ = nullptr;  // PlayGif1
    QLabel* nameLabel_ = nullptr;  // lblName
    QLabel* versionLabel_ = nullptr;  // lblVer
    QLabel* websiteLink_ = nullptr;  // lblWeb
    QLabel* supportLink_ = nullptr;  // lblSupp

    Shell& shell_;
};

}  // namespace pictoreel
