// Where a grid's columns go when a stored layout is read back. Every column
// names a target position (its stored index); the columns are then moved one
// position at a time, from the left, so that any permutation of the stored
// indexes comes back exactly, and broken data (a target out of range, two
// columns claiming one place) moves nothing it should not:
//
//   // Name stored at 1, Path at 0:
//   PlanColumnMoves({1, 0});     // {{1, 0}}: the column at 1 goes to 0
//   ColumnOrderAfter({1, 0});    // {1, 0}: Path, Name
//   ColumnOrderAfter({0, 0});    // {0, 1}: the first claimant keeps 0
//   ColumnOrderAfter({5, 1});    // {0, 1}: 5 is no position; nothing moves
#pragma once

#include <span>
#include <vector>

// Move the column now at From to position To; the columns in between shift
// by one place, as in a list's move.
struct TColumnMove {
    int From;
    int To;
    bool operator==(const TColumnMove&) const = default;
};

// targets[i] is the target of the column at index i before any move. For each
// position p from 0 up, the first column (in that original order) whose
// target is p moves to p; a column already there is not listed. Each move's
// From is the column's index at the time of that move, after the earlier
// moves.
std::vector<TColumnMove> PlanColumnMoves(std::span<const int> targets);

// The original indexes of the columns in their order after the moves.
std::vector<int> ColumnOrderAfter(std::span<const int> targets);
