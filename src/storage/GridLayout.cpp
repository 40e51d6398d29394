#include "storage/GridLayout.h"

#include "platform/Dpi.h"
#include "platform/Handles.h"
#include "storage/portable/ColumnPlacement.h"
#include "runtime/IntParser.h"
#include "runtime/ScopeGuard.h"
#include "storage/RegistrySection.h"
#include "grid/DBGrid.h"
#include "ui/Form.h"

#include <optional>
#include <vector>

namespace {

std::string ValueName(const TRxDBGrid& grid, const TColumn& column)
{
    return grid.Name() + "." + column.FieldName();
}

// Widths are kept at the design density (96 dots per inch), as the window's
// placement keeps its density beside it: a layout stored at 100 % comes back
// the same at 200 %, and a copy of the program that stores pixels reads the
// same numbers at 100 %. A width drawn as nothing (0, negative, -1 for a
// column not shown) is no size and stays as it is.
int DensityOf(const TRxDBGrid& grid)
{
    return grid.Form() ? grid.Form()->Dpi() : kDesignDpi;
}

int ToStored(int width, int dpi)
{
    return width > 0 ? ScaleForDpi(width, kDesignDpi, dpi) : width;
}

int FromStored(int width, int dpi)
{
    return width > 0 ? ScaleForDpi(width, dpi, kDesignDpi) : width;
}

}  // namespace

void WriteGridLayout(TRxDBGrid& grid, TRegistrySections& sections, const std::string& section)
{
    // Only the current columns remain: values of fields no longer shown go.
    sections.EraseSection(section);
    const int dpi = DensityOf(grid);
    for (int i = 0; i < grid.ColumnCount(); ++i) {
        const TColumn& column = grid.Column(i);
        sections.WriteString(section, ValueName(grid, column),
                             std::to_string(column.Index()) + "," + std::to_string(ToStored(column.Width(), dpi)));
    }
}

void ReadGridLayout(TRxDBGrid& grid, TRegistrySections& sections, const std::string& section)
{
    grid.HandleNeeded();
    grid.BeginLayout();
    ScopeGuard endLayout([&grid] { grid.EndLayout(); });

    // First pass: widths now, targets remembered; nothing moves yet, so the
    // stored indexes all refer to the order as it was before the restore.
    const int count = grid.ColumnCount();
    const int dpi = DensityOf(grid);
    std::vector<int> targets(count);
    for (int i = 0; i < count; ++i) {
        TColumn& column = grid.Column(i);
        targets[i] = column.Index();
        const std::string text = sections.ReadString(section, ValueName(grid, column), {});
        if (text.empty())
            continue;
        targets[i] = PositionWord(text, 1, column.Index());
        // A word that does not convert keeps the width, as -1 does.
        const std::optional<int32_t> stored = ParseInteger(ExtractPositionWord(text, 2));
        if (stored && *stored != -1)
            column.SetWidth(FromStored(*stored, dpi));
    }
    // Second pass: from the left, each position takes its first claimant.
    for (const TColumnMove& move : PlanColumnMoves(targets))
        grid.Column(move.From).SetIndex(move.To);
}

TGridLayoutLink::TGridLayoutLink(TRxDBGrid& grid) : grid_(grid)
{
    link_.OnLinkSave = [this] { Save(); };
    link_.OnLinkLoad = [this] { Load(); };
}

std::string TGridLayoutLink::Section() const
{
    if (grid_.Name().empty() || !link_.RegistryObject())
        return {};
    if (!grid_.DataSource() || !grid_.DataSource()->DataSet())
        return {};
    const std::string formClass = grid_.Form() ? grid_.Form()->ClassName() : std::string();
    return link_.LinkSection() + formClass + grid_.Name();
}

void TGridLayoutLink::Save()
{
    if (std::string section = Section(); !section.empty())
        WriteGridLayout(grid_, *link_.RegistryObject(), section);
}

void TGridLayoutLink::Load()
{
    if (std::string section = Section(); !section.empty())
        ReadGridLayout(grid_, *link_.RegistryObject(), section);
}
