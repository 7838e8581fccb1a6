#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/job_columns.h"
#include "joblist/job_row.h"
#include "platform/unique_handle.h"

namespace velkin::win {

// What the list tells its owner, which changes the model: the end of an edit in place (the row
// and the text typed; the answer says whether the list keeps the text) and every key pressed.
struct JobListEvents {
    std::function<bool(std::size_t row, std::wstring text)> numberEdited;
    std::function<void(WORD key)> keyDown;
};

// The job list: a virtual report-view list over the model's rows. It keeps no rows of its own;
// it asks the model for every text it paints.
class JobListView {
public:
    // The columns of the column table, until the settings give their widths; the window's font
    // at the window's DPI. Throws when the system cannot make the list.
    JobListView(HWND parent, int controlId, const JobRows& rows, UINT dpi, JobListEvents events);

    HWND handle() const { return list_; }
    UINT dpi() const { return dpi_; }

    // Rows were appended: the list repaints only those of them that are in view.
    void ShowAppendedRows();
    // Whether rows appended since the last showing would be in view: the list's rows do not yet
    // reach its bottom edge.
    bool AppendedRowsInView() const;
    // Rows were removed or renumbered: the list repaints all it shows.
    void ShowAllRows();
    // These rows changed, in ascending order: they are repainted at once.
    void RedrawRows(const std::vector<std::size_t>& rows);

    void SetColumnWidths(const ColumnWidths& widths);
    ColumnWidths GetColumnWidths() const;
    void Resize(int width, int height);
    // The window moved to a monitor of another DPI: the font follows, and the columns keep
    // their size in inches.
    void ChangeDpi(UINT dpi);

    std::optional<std::size_t> SelectedRow() const;

    // Answers the list's notifications, which reach its parent: requests for texts, label
    // edits and keys; true when it handled the notification.
    bool OnNotify(NMHDR& header, LRESULT& result);

private:
    void ApplyFont();

    HWND list_ = nullptr; // a child window, destroyed with its parent
    const JobRows& rows_;
    JobListEvents events_;
    std::wstring fullPath_; // the last full path the list asked for
    UINT dpi_;
    UniqueFont font_;
};

} // namespace velkin::win
