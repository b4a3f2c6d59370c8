// The play list's table: a single-selection row table that never jumps to a row
// by typing, hands its key presses to the play list first, and reports the rows
// the user picks (click, or keyboard navigation) instead of starting them itself.
// A row that starts a trip is taller: the trip's caption (the model's
// TripCaptionRole) runs across the table above the row's cells.
#pragma once

#include <QTableView>

#include <functional>

class PlayListTableView : public QTableView {
    Q_OBJECT
public:
    explicit PlayListTableView(QWidget *parent = nullptr);

    // Called for every key press before the table's own handling; returns true
    // when the key was used up.
    std::function<bool(QKeyEvent *)> keyHandler;

    void keyboardSearch(const QString &search) override;

    // Height of the caption strip above a trip's first row.
    static constexpr int kCaptionHeight = 16;
    // Gives the rows with a caption room for it; the others `rowHeight`.
    void fitRowHeights(int rowHeight);

public slots:
    void selectAll() override;

signals:
    // The user picked this row.
    void rowChosen(int row);
    // Select-all was asked for (with single selection it selects nothing).
    void selectAllRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void fitColumns();
};
