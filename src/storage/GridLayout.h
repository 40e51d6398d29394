// The grid's column order and widths, kept in its window's store. The grid
// has no registry access of its own: a TGridLayoutLink plays its IniStorage
// property and takes part in the store's saves and restores:
//
//   TGridLayoutLink MainRxDBGridLayout{MainRxDBGrid};
//   MainRxDBGridLayout.SetIniStorage(&MainFormStorage);
//
// The layout lives in the subkey LinkSection + the form's class name + the
// grid's name ("MainForm\TMainFormMainRxDBGrid"), one REG_SZ value per
// column: "MainRxDBGrid.Name" = "0,154" (index, and width in pixels at 96
// dots per inch, whatever the density the grid is shown at).
#pragma once

#include "storage/IniLink.h"

#include <string>

class TFormPlacement;
class TRegistrySections;
class TRxDBGrid;

// Inside a save: erases the section, then writes "index,width" of every
// column in its current order. Registry errors propagate to the store.
void WriteGridLayout(TRxDBGrid& grid, TRegistrySections& sections, const std::string& section);

// Inside a restore: in one layout batch, applies the stored widths and then
// moves the columns to their stored indexes. An error stops it with the
// widths applied so far and no column moved, and propagates to the store.
void ReadGridLayout(TRxDBGrid& grid, TRegistrySections& sections, const std::string& section);

class TGridLayoutLink {
public:
    explicit TGridLayoutLink(TRxDBGrid& grid);

    // The store that carries the grid's layout, or none (then the layout is
    // never read or written).
    TFormPlacement* IniStorage() const { return link_.Storage(); }
    void SetIniStorage(TFormPlacement* storage) { link_.SetStorage(storage); }

private:
    // The grid's section, or empty when there is nothing to do: no grid
    // name, no open registry object, or no table behind the grid.
    std::string Section() const;
    void Save();
    void Load();

    TRxDBGrid& grid_;
    TIniLink link_;
};
