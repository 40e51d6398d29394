// The base record table under a byte-coded sequence of operations, checked
// after every step against a plain model: a vector of rows with the cursor,
// the state, the pending row, the AtStart/AtEnd flags and the view window
// kept by the table's rules.
//
// After each operation the table and the model must agree on: open or
// closed, the state, the row count, the current row (number and RowID), the
// flags, IsTableEmpty, LastRowID, the RowID of every row (so identities stay
// unique and a sort gives exactly the model's order: the sort fields compared
// with the table's default collation, rows without a value first, RowID
// breaking ties, all reversed when descending), the current row's texts, the
// view window's position and every text in it. An operation that throws
// EDatabaseError must be one the model expected to fail, with the very same
// message, and must leave everything as it was.

#include "FuzzCheck.h"
#include "TableModel.h"
#include "model/RxMemoryData.h"
#include "collation/portable/TextCollation.h"
#include "runtime/Exceptions.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace table_model;

std::string StateName(TDataSetState state)
{
    static const char* const kStates[] = {"closed", "browse", "edit", "insert"};
    return kStates[int(state)];
}

class Run {
public:
    Run() : table_(kTableName)
    {
        for (int i = 0; i < kFields; ++i)
            table_.FieldDefs.push_back({kFieldNames[size_t(i)], TFieldType::ftString, int(kFieldSizes[size_t(i)])});
        Do(
            "open", [&] { table_.SetActive(true); }, model_.Open(true));
    }

    void Step(FuzzedDataProvider& data);

private:
    // Runs one operation of the table; the model has already taken it and
    // said whether it fails and how.
    template <typename F>
    void Do(const std::string& what, F operation, const std::optional<std::string>& expectedError)
    {
        log_ += "\n  " + what;
        std::optional<std::string> error;
        try {
            operation();
        } catch (const EDatabaseError& e) {
            error = e.Message();
        }
        FUZZ_CHECK(error == expectedError, Log() + "\n  failed with " + Printable(error.value_or("nothing")) +
                                               ", expected " + Printable(expectedError.value_or("nothing")));
        Compare();
    }

    std::string Log() const
    {
        // The last operations are enough to see how the table got there.
        size_t keep = log_.size() > 6000 ? log_.rfind("\n  ", log_.size() - 6000) : 0;
        return "operations:" + log_.substr(keep);
    }

    void Compare();
    std::string Text(FuzzedDataProvider& data);

    TRxMemoryData table_;
    Model model_;
    std::string log_;
};

std::string Run::Text(FuzzedDataProvider& data)
{
    switch (data.ConsumeIntegralInRange(0, 4)) {
    case 0: return {};
    case 1: return data.PickValueInArray(kSamples);
    case 2:  // around and beyond every field's width
        return std::string(data.ConsumeIntegralInRange<size_t>(18, 210), char(data.ConsumeIntegral<uint8_t>()));
    case 3: return data.PickValueInArray(kSamples) + data.ConsumeRandomLengthString(8);
    default: return data.ConsumeRandomLengthString(260);
    }
}

void Run::Compare()
{
    auto fail = [&](const std::string& what) { FuzzFail(__FILE__, __LINE__, what.c_str(), Log()); };
    const Model& m = model_;
    if (table_.Active() != m.active)
        fail("open or closed");
    if (table_.State() != m.state)
        fail("state " + StateName(table_.State()) + ", expected " + StateName(m.state));
    if (table_.RowCount() != m.Count())
        fail("row count " + std::to_string(table_.RowCount()) + ", expected " + std::to_string(m.Count()));
    if (table_.CurrentRowNumber() != m.cursor + 1)
        fail("current row " + std::to_string(table_.CurrentRowNumber()) + ", expected " + std::to_string(m.cursor + 1));
    if (table_.AtStart() != m.atStart || table_.AtEnd() != m.atEnd)
        fail("AtStart/AtEnd " + std::to_string(table_.AtStart()) + "/" + std::to_string(table_.AtEnd()) +
             ", expected " + std::to_string(m.atStart) + "/" + std::to_string(m.atEnd));
    if (table_.IsTableEmpty() != (m.DisplayCount() == 0))
        fail("IsTableEmpty");
    if (table_.LastRowID() != m.lastRowID)
        fail("LastRowID " + std::to_string(table_.LastRowID()) + ", expected " + std::to_string(m.lastRowID));
    const int32_t currentID = m.cursor >= 0 ? m.rows[size_t(m.cursor)].id : TRxMemoryData::kNoRowID;
    if (table_.CurrentRowID() != currentID)
        fail("current RowID " + std::to_string(table_.CurrentRowID()) + ", expected " + std::to_string(currentID));

    std::set<int32_t> ids;
    for (int i = 0; i < m.Count(); ++i) {
        const int32_t id = table_.RowIDAt(i);
        if (id != m.rows[size_t(i)].id)
            fail("RowID at " + std::to_string(i) + " is " + std::to_string(id) + ", expected " +
                 std::to_string(m.rows[size_t(i)].id));
        if (id == TRxMemoryData::kNoRowID || !ids.insert(id).second)
            fail("RowID " + std::to_string(id) + " is not unique or not valid");
    }

    if (m.active)
        for (int f = 0; f < kFields; ++f)
            if (table_.GetFieldText(kFieldNames[size_t(f)]) != m.Text(f))
                fail(std::string("current ") + kFieldNames[size_t(f)] + " " +
                     Printable(table_.GetFieldText(kFieldNames[size_t(f)])) + ", expected " + Printable(m.Text(f)));

    if (table_.WindowSize() != m.windowSize || table_.WindowRowCount() != m.Visible())
        fail("window size " + std::to_string(table_.WindowSize()) + " showing " +
             std::to_string(table_.WindowRowCount()) + ", expected " + std::to_string(m.windowSize) + " showing " +
             std::to_string(m.Visible()));
    if (table_.WindowFirstRow() != m.windowFirst)
        fail("window from row " + std::to_string(table_.WindowFirstRow()) + ", expected " +
             std::to_string(m.windowFirst));
    const int line = m.DisplayCount() == 0 ? -1 : m.DisplayCursor() - m.windowFirst;
    if (table_.WindowCurrentLine() != line)
        fail("current line " + std::to_string(table_.WindowCurrentLine()) + ", expected " + std::to_string(line));
    for (int l = 0; l < m.Visible(); ++l) {
        const Values shown = m.Displayed(m.windowFirst + l);
        for (int f = 0; f < kFields; ++f)
            if (table_.WindowFieldText(l, f) != shown[size_t(f)].value_or(""))
                fail("line " + std::to_string(l) + " field " + std::to_string(f) + " shows " +
                     Printable(table_.WindowFieldText(l, f)) + ", expected " +
                     Printable(shown[size_t(f)].value_or("")));
    }
}

void Run::Step(FuzzedDataProvider& data)
{
    switch (data.ConsumeIntegralInRange(0, 16)) {
    case 0:
        Do(
            "InsertRow", [&] { table_.InsertRow(); }, model_.Insert());
        break;
    case 1:
        Do(
            "EditRow", [&] { table_.EditRow(); }, model_.Edit());
        break;
    case 2:
    case 3: {
        const FieldName& name = data.ConsumeIntegralInRange(0, 9) < 8 ? kNames[data.ConsumeIntegralInRange(0, 3)]
                                                                      : data.PickValueInArray(kNames);
        const std::string text = Text(data);
        Do(
            std::string("SetFieldText ") + name.text + " " + Printable(text),
            [&] { table_.SetFieldText(name.text, text); }, model_.SetField(name, text));
        break;
    }
    case 4:
        Do(
            "PostRow", [&] { table_.PostRow(); }, model_.PostRow());
        break;
    case 5:
        Do(
            "DeleteRow", [&] { table_.DeleteRow(); }, model_.Delete());
        break;
    case 6:
        Do(
            "GoToFirstRow", [&] { table_.GoToFirstRow(); }, model_.First());
        break;
    case 7:
        Do(
            "GoToLastRow", [&] { table_.GoToLastRow(); }, model_.Last());
        break;
    case 8:
    case 9: {
        static const int kDistances[] = {1, 1, -1, 2, -2, 5, -5, 0, 1000, -1000, INT_MAX, INT_MIN};
        const int n = data.PickValueInArray(kDistances);
        int expected = 0;
        int moved = 0;
        Do(
            "MoveByRows " + std::to_string(n), [&] { moved = table_.MoveByRows(n); }, model_.MoveBy(n, expected));
        FUZZ_CHECK(moved == expected,
                   Log() + "\n  moved " + std::to_string(moved) + ", expected " + std::to_string(expected));
        break;
    }
    case 10: {
        int number = data.ConsumeIntegralInRange(-1, model_.Count() + 2);
        if (data.ConsumeIntegralInRange(0, 15) == 0)
            number = data.ConsumeBool() ? INT_MIN : INT_MAX;
        Do(
            "CurrentRowNumber := " + std::to_string(number), [&] { table_.SetCurrentRowNumber(number); },
            model_.SetRowNumber(number));
        break;
    }
    case 11: {
        const SortOrder& order =
            data.ConsumeIntegralInRange(0, 3) > 0 ? kSortOrders[0] : data.PickValueInArray(kSortOrders);
        const bool ignoreCase = data.ConsumeIntegralInRange(0, 3) > 0;
        const bool descending = data.ConsumeBool();
        Do(
            std::string("SortByFields ") + Printable(order.text) + (ignoreCase ? " ci" : " cs") +
                (descending ? " desc" : " asc"),
            [&] { table_.SortByFields(order.text, ignoreCase, descending); },
            model_.Sort(order, ignoreCase, descending));
        break;
    }
    case 12: {
        const int rows = data.ConsumeIntegralInRange(-2, 24);
        log_ += "\n  SetWindowSize " + std::to_string(rows);
        table_.SetWindowSize(rows);
        // Where the window lands on a resize is the grid's affair; it must
        // only stay inside the rows and keep the current row in view.
        model_.windowSize = std::max(1, rows);
        const int first = table_.WindowFirstRow();
        const int count = model_.DisplayCount();
        const bool inside = count == 0
                                ? first == 0
                                : first >= 0 && first <= count - model_.Visible() && model_.DisplayCursor() >= first &&
                                      model_.DisplayCursor() < first + model_.Visible();
        FUZZ_CHECK(inside, Log() + "\n  window from row " + std::to_string(first));
        model_.windowFirst = first;
        Compare();
        break;
    }
    case 13: {
        const FieldName& name = data.PickValueInArray(kNames);
        std::string expected;
        std::string got;
        Do(
            std::string("GetFieldText ") + name.text, [&] { got = table_.GetFieldText(name.text); },
            model_.GetField(name, expected));
        FUZZ_CHECK(got == expected, Log() + "\n  read " + Printable(got) + ", expected " + Printable(expected));
        break;
    }
    case 14: {
        const bool open = data.ConsumeIntegralInRange(0, 3) > 0;
        Do(
            open ? "open" : "close", [&] { table_.SetActive(open); }, model_.Open(open));
        break;
    }
    case 15: {
        // The saving walk: every stored row once by its place, the cursor left alone.
        Do(
            "CheckBrowseMode", [&] { table_.CheckBrowseMode(); }, model_.CheckBrowse());
        if (!model_.active)
            break;
        for (int row = 0; row < model_.Count(); ++row) {
            std::array<std::string_view, kFields> texts;
            table_.RowTextViews(row, texts);
            for (int f = 0; f < kFields; ++f)
                FUZZ_CHECK(texts[size_t(f)] == model_.rows[size_t(row)].values[size_t(f)].value_or(""),
                           Log() + "\n  row " + std::to_string(row) + " field " + std::to_string(f) + " read " +
                               Printable(std::string(texts[size_t(f)])));
        }
        Compare();
        break;
    }
    default: {
        // An entry added as the loader adds it: whole, or as the steps it stands for.
        std::array<std::string, kFields> texts;
        for (std::string& text : texts)
            text = Text(data);
        if (data.ConsumeBool()) {
            std::optional<std::string> expected = model_.Insert();
            for (int f = 0; f < kFields && !expected; ++f)
                expected = model_.SetField(kNames[f], texts[size_t(f)]);
            if (!expected)
                expected = model_.PostRow();
            const std::vector<std::string_view> views(texts.begin(), texts.end());
            Do(
                "InsertRowWithTexts", [&] { table_.InsertRowWithTexts(views); }, expected);
            break;
        }
        Do(
            "InsertRow", [&] { table_.InsertRow(); }, model_.Insert());
        for (int f = 0; f < kFields; ++f)
            Do(
                std::string("SetFieldText ") + kFieldNames[size_t(f)] + " " + Printable(texts[size_t(f)]),
                [&] { table_.SetFieldText(kFieldNames[size_t(f)], texts[size_t(f)]); },
                model_.SetField(kNames[f], texts[size_t(f)]));
        Do(
            "PostRow", [&] { table_.PostRow(); }, model_.PostRow());
        break;
    }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    FuzzedDataProvider data(bytes, size);
    Run run;
    for (int step = 0; step < 400 && data.remaining_bytes() > 0; ++step)
        run.Step(data);
    return 0;
}
