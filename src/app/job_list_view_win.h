#pragma once

#include <windows.h>

#include <array>
#include <optional>

#include "joblist/job_row.h"
#include "platform/unique_handle.h"

namespace velkin::win {

// The job list: a virtual report-view list over the model's rows. It keeps no rows of its own;
// it asks the model for every text it paints.
class JobListView {
public:
    JobListView(HWND parent, int controlId, const JobRows& rows);

    HWND handle() const { return list_; }

    // Rows were appended: the list repaints only those of them that are in view.
    void ShowAppendedRows();
    // Rows were removed or renumbered: the list repaints all it shows.
    void ShowAllRows();
    void RedrawRows(std::size_t first, std::size_t last);

    void SetColumnWidth(int column, int width);
    int ColumnWidth(int column) const;
    void SetFont(HFONT font);
    void Resize(int width, int height);

    std::optional<std::size_t> SelectedRow() const;

    // Answers the list's requests for texts and label edits; true when it handled the
    // notification. The end of a label edit is the owner's business, as it changes the model.
    bool OnNotify(NMHDR& header, LRESULT& result);

private:
    HWND list_ = nullptr; // a child window, destroyed with its parent
    const JobRows& rows_;
};

} // namespace velkin::win
