// The dialog `frmSpeed` ("Change Speed") of Edit, "Change Speed ...": a percentage of the speed
// the frames play at (10 % to 1000 %, `txtSpeed`), for the selected rows (`optSelectedRows`,
// offered when two or more are selected) or every row (`optAllRows`). While the user chooses,
// `lblSpeedNote` tells how many of the delays would fall under 2/100 s and be held there (players
// show 0 or 1 as 10/100 s). OK closes it accepted; the window then changes the delays.
#pragma once

#include <QDialog>

#include <vector>

class QLabel;
class QRadioButton;
class QSpinBox;

namespace pictoreel {

class SpeedDialog final : public QDialog {
    Q_OBJECT
public:
    // `intervals`: every row's interval; `selected`: the selected rows (1-based).
    SpeedDialog(std::vector<int> intervals, std::vector<int> selected, QWidget* parent = nullptr);

    int percent() const;
    bool selectedRowsOnly() const;

private:
    void showNote();

    QSpinBox* percentBox_ = nullptr;
    QRadioButton* selectedRowsOption_ = nullptr;
    QLabel* noteLabel_ = nullptr;
    std::vector<int> intervals_;
    std::vector<int> selected_;
};

}  // namespace pictoreel
