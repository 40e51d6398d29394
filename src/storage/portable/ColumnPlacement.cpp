#include "storage/portable/ColumnPlacement.h"

#include <algorithm>
#include <numeric>

namespace {

// Moves the element at from to to, shifting the ones between.
void Move(std::vector<int>& order, int from, int to)
{
    auto first = order.begin();
    if (from > to)
        std::rotate(first + to, first + from, first + from + 1);
    else
        std::rotate(first + from, first + from + 1, first + to + 1);
}

}  // namespace

std::vector<TColumnMove> PlanColumnMoves(std::span<const int> targets)
{
    const int count = static_cast<int>(targets.size());
    // order[k]: the original index of the column now at position k.
    std::vector<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::vector<TColumnMove> moves;
    for (int p = 0; p < count; ++p) {
        auto claimant = std::find(targets.begin(), targets.end(), p);
        if (claimant == targets.end())
            continue;
        const int column = static_cast<int>(claimant - targets.begin());
        const int from = static_cast<int>(std::find(order.begin(), order.end(), column) - order.begin());
        if (from == p)
            continue;
        moves.push_back({from, p});
        Move(order, from, p);
    }
    return moves;
}

std::vector<int> ColumnOrderAfter(std::span<const int> targets)
{
    std::vector<int> order(targets.size());
    std::iota(order.begin(), order.end(), 0);
    for (const TColumnMove& move : PlanColumnMoves(targets))
        Move(order, move.From, move.To);
    return order;
}
