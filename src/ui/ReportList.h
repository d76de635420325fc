#pragma once

#include <QTableView>

#include <array>

class CReportListModel;

// The lower list of the main view: the report of the current or last run, one row per
// operation, the newest kept in view. A display only: a click selects nothing, no menu opens.
class CReportList : public QTableView {
    Q_OBJECT

public:
    // widths: the column widths of the window layout, read now and written back whenever the
    // user drags a column border.
    explicit CReportList(std::array<qint32, 5> &widths, QWidget *parent = nullptr);
    ~CReportList() override;

    CReportListModel &Rows() const { return *m_rows; }
    // Width of a text in the list's font, in pixels.
    int TextWidth(const QString &text) const;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    CReportListModel *m_rows;
    std::array<qint32, 5> &m_widths;
};
