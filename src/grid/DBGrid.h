// The data-aware grid: shows the rows of a dataset through a data source,
// marks and follows the dataset's current row, moves it on the keyboard and
// the mouse, and never edits. Titles are a header control, so the user
// resizes a column by dragging a title's edge and moves it by dragging the
// title. Only the dataset's view window is ever read, so a long table costs
// no more to show or scroll than a short one.
//
//   TRxDBGrid grid("MainRxDBGrid", {2, 4, 397, 343}, akLeft | akTop | akRight | akBottom);
//   grid.Columns().Add("Name", "Название базы", 154);
//   grid.SetDataSource(&source);
//   grid.OnDblClick = [this] { OpenEditor(); };
//   form.AddControl(grid);
//
// Keys: Up/Down one row, PgUp/PgDn a visible page, Ctrl+Home/Ctrl+End the
// first/last row, Left/Right/Home/End the columns, Ctrl+Delete deletes the
// current row at once, Enter and F2 open the current row (OnOpenRow). Tab is
// left to the dialog manager. A cell too narrow for its text ends in "..."
// and shows the whole text in a tooltip while the mouse rests on it.
#pragma once

#include "data/DataSet.h"
#include "platform/Handles.h"
#include "platform/Dpi.h"
#include "ui/Control.h"
#include "grid/DBGridAccessible.h"
#include "grid/DBGridColumns.h"
#include "ui/ToolTip.h"

#include <functional>
#include <string>
#include <string_view>

class TRxDBGrid : public TControl, private TAccessibleRows {
public:
    TRxDBGrid(std::string name, TBounds bounds, unsigned anchors = akLeft | akTop);
    ~TRxDBGrid() override;

    // Links the grid to a data source and chains into its change reports;
    // the previous handler keeps running and is given back on unlinking.
    void SetDataSource(TDataSource* source);
    TDataSource* DataSource() const { return source_; }

    TDBGridColumns& Columns() { return columns_; }
    int ColumnCount() const { return columns_.Count(); }
    TColumn& Column(int index) { return columns_[index]; }

    // Column changes between the two calls give one re-layout and repaint.
    void BeginLayout();
    void EndLayout();
    // The native window exists afterwards (the form creates it with its
    // own window; without one there is no parent to create it in).
    void HandleNeeded();

    // The selected column, as a list index; -1 without columns.
    int SelectedIndex() const { return columns_.Count() ? selected_ : -1; }
    void SetSelectedIndex(int index);

    // Geometry, in client pixels of the grid.
    int TitleHeight() const { return titleHeight_; }
    int RowHeight() const { return rowHeight_; }
    // The row indicator's column: kIndicatorWidth at the design density,
    // IndicatorWidth() at the form's.
    static constexpr int kIndicatorWidth = 11;
    int IndicatorWidth() const { return indicatorWidth_; }
    int VisibleRowCount() const;  // whole rows that fit below the titles
    int HorizontalOffset() const { return scrollX_; }
    HWND TitleHandle() const { return header_; }
    // The colour of the column and row lines. Everything the grid draws is
    // in the system's colours, so that a high-contrast scheme shows the
    // lines and, in the indicator, the current row in its own colours.
    static COLORREF LineColor();

    // Type-ahead: characters typed with the focus in the grid make current
    // the first row whose IncrementalSearchField starts with the text typed
    // so far, as IncrementalSearchCompare (three-way; the table's own
    // collation) sees it; after a pause of kTypingPauseMs the next character
    // starts a new text. Off while the field is empty. Nothing is edited.
    std::string IncrementalSearchField;
    std::function<int(std::string_view a, std::string_view b)> IncrementalSearchCompare;
    static constexpr DWORD kTypingPauseMs = 1000;

    std::function<void()> OnDblClick;
    // Enter and F2 in the grid, and a row's default action for a screen
    // reader (named RowActionName, Windows-1251), open the current row as
    // a double-click does. Without it those keys and the action do nothing.
    std::function<void()> OnOpenRow;
    std::string RowActionName;
    // After the user moved or resized a column.
    std::function<void()> OnColumnsChanged;

    // Screen readers find the grid, named by AccessibleName, as a list whose
    // items are the rows (DBGridAccessible.h); the grid itself raises the
    // events that tell them what changed.

protected:
    HWND CreateHandle(HWND parent, int id, const TBounds& bounds) override;
    void HandleCreated() override;
    // Column widths and the indicator follow the density; the rows and
    // titles follow the font.
    void ChangeScale(int fromDpi, int toDpi) override;

private:
    // Posted to the grid once a title drag or an edge drag has ended, so that
    // the header has finished its own bookkeeping first; wParam says whether
    // the titles' order may have changed.
    static constexpr UINT kTitlesSettled = WM_APP + 0x4D1;
    static constexpr WPARAM kTitlesResized = 0, kTitlesMoved = 1;
    // Posted once for any number of data changes: a load of many rows then
    // costs one scroll bar update, not one per row.
    static constexpr UINT kRefreshScrollBars = WM_APP + 0x4D2;
    // Posted once for the data changes of one handler (an add posts the row,
    // then sorts the list): screen readers hear what they did all together.
    static constexpr UINT kTellScreenReaders = WM_APP + 0x4D3;
    // Posted by a screen reader's default action, so that the call returns
    // before OnOpenRow runs its modal window.
    static constexpr UINT kOpenRowPosted = WM_APP + 0x4D4;
    // Posts `message` unless it waits already (`pending`); false when it
    // cannot be posted, and the work must be done at once.
    bool PostOnce(bool& pending, UINT message);
    // The one tool of the cells' tooltip.
    static constexpr UINT_PTR kCellTool = 1;

    // The header's host: hands the header's notifications to the grid.
    class TTitleHost : public TWindow {
    public:
        explicit TTitleHost(TRxDBGrid& grid) : grid_(grid) {}
        HWND Create(HWND parent);

    protected:
        LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    private:
        TRxDBGrid& grid_;
    };

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT HeaderMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    TSubclass headerSubclass_;
    static void RegisterClasses();
    TDataSet* DataSet() const { return source_ ? source_->DataSet() : nullptr; }

    // Window and data link (DBGrid.cpp).
    void CreateTitles();
    void SetFont(HFONT font);
    void OnSize();
    // Gives the corner's one item the indicator's width and its border,
    // inserting it (HDM_INSERTITEMW) or setting it (HDM_SETITEMW).
    void SizeCorner(UINT message);
    void DataChanged(TDataChange change, int rowsScrolled);
    void ColumnsChanged();
    void Relayout();
    void SyncTitles();
    void LayoutTitles();
    void UpdateScrollBars();
    void ScheduleScrollBars();
    void SetWindowSizeFromHeight();
    void ScrollHorizontally(int newOffset);
    void ScrollColumnIntoView(int index);
    void InvalidateLine(int line);
    void InvalidateRows();

    // Keyboard, mouse, scroll bars and title notifications (DBGridInput.cpp).
    void OnKeyDown(WPARAM key);
    void OnChar(wchar_t ch);
    void OnMouseDown(int x, int y);
    void DblClick();
    // Opens the current row, unless a modal window is up over the grid's.
    void OpenRow();
    // The cell under the mouse: its tooltip shows the cell's whole text
    // when the cell shows it cut short.
    void OnMouseMove(int x, int y);
    void ForgetHoveredCell();
    void OnVScroll(int code, int thumb);
    void OnHScroll(int code);
    void OnMouseWheel(int delta);
    LRESULT OnTitleNotify(NMHDR* header);
    void ApplyTitleOrder();
    void PostResized();
    void MoveBy(int rows);

    // Painting (DBGridPaint.cpp).
    void Paint(HDC dc, const RECT& clip);
    void PaintLine(HDC dc, int line, int currentLine);
    void PaintIndicator(HDC dc, const RECT& cell, bool current);
    // Where a cell's text goes: inside its column line, with a little air.
    RECT CellTextRect(const RECT& cell) const;
    // The cell's text, "" for a column without a field.
    std::wstring CellText(int line, const TColumn& column) const;
    // Whether the text shows whole in the cell; a text that does not is
    // drawn cut short with an ellipsis.
    bool CellTextFits(const std::wstring& text, const RECT& cell) const;

    // Screen readers (DBGrid.cpp): the accessible object and the events.
    LRESULT OnGetObject(WPARAM flags, LPARAM objectId);
    void DisconnectAccessible();
    // Notes a change for screen readers and has them told once the
    // handler that made it is done.
    void NoteForScreenReaders(TDataChange change);
    // Raises the events that tell screen readers what the changes since the
    // last time did to the rows and to the current row.
    void TellScreenReaders();
    // The current row has the focus, while the grid has it.
    void TellFocus();

    // What the accessible object reads and does (the rows' places and texts
    // in DBGridPaint.cpp, selecting and opening in DBGridInput.cpp).
    HWND ListWindow() const override { return Handle(); }
    std::string ListName() const override { return AccessibleName; }
    int RowCount() const override { return DataSet() ? DataSet()->RowCount() : 0; }
    int CurrentRow() const override { return RowCount() > 0 ? DataSet()->CurrentRowNumber() : 0; }
    std::vector<TShownCell> ShownCells(int row) const override;
    RECT RowRect(int row) const override;
    int RowAt(int y) const override;
    void SelectRow(int row) override;
    std::optional<std::string> RowAction() const override
    {
        return OnOpenRow ? std::optional(RowActionName) : std::nullopt;
    }
    bool OpenRowLater(int row) override;

    // Geometry helpers.
    RECT ClientArea() const { return {0, 0, clientWidth_, clientHeight_}; }
    int TotalColumnWidth() const;
    int ColumnLeft(int index) const;  // client x, scrolling applied
    int ColumnAt(int x) const;  // -1 outside the columns
    int LineTop(int line) const { return titleHeight_ + line * rowHeight_; }
    int LineAt(int y) const;  // -1 above the rows

    TDBGridColumns columns_;
    TDataSource* source_ = nullptr;
    std::function<void(TDataChange, int)> previousDataChange_;
    TTitleHost titleHost_{*this};
    HWND titles_ = nullptr;  // host of the header, clipped to the right of the indicator
    HWND header_ = nullptr;
    HWND corner_ = nullptr;  // an empty, disabled title above the indicator
    HFONT font_ = nullptr;
    int clientWidth_ = 0;  // kept from WM_SIZE: asked for on every change report
    int clientHeight_ = 0;
    int indicatorWidth_ = kIndicatorWidth;
    int titleHeight_ = 18;
    int rowHeight_ = 17;
    int textHeight_ = 13;
    int selected_ = 0;
    int scrollX_ = 0;
    int shownCurrentLine_ = -1;  // the current line as last reported, for the next move
    int layoutDepth_ = 0;
    bool layoutPending_ = false;
    bool syncingTitles_ = false;  // the header's notifications echo the grid's own changes
    bool titlesDriving_ = false;  // a width change that came from the header
    bool tracking_ = false;
    bool resizePosted_ = false;
    bool rowsInvalid_ = false;  // every row waits for the next paint already
    bool scrollBarsPending_ = false;
    int wheelRemainder_ = 0;
    std::string typed_;  // the type-ahead text, Windows-1251
    DWORD typedAt_ = 0;
    ComPtr<TDBGridAccessible> accessible_;  // made at the first WM_GETOBJECT
    int toldRowCount_ = 0;  // what screen readers were told last
    int toldCurrentRow_ = 0;
    bool tellPending_ = false;
    bool reorderedSinceTold_ = false;  // a sort changed the rows' order
    bool resortedSinceTold_ = false;  // a sort moved at most the current row
    TToolTip cellTip_;  // made at the first mouse move
    int hoveredLine_ = -1, hoveredColumn_ = -1;
};
