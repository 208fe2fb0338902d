// One sort of a full list of 256 servers whose names are as long as the
// configuration file allows (2047 characters) and differ only at the end.
#include "core/ServerTable.h"
#include "support/FakeEngineStack.h"

#include <benchmark/benchmark.h>

namespace {

void sortLongNames(benchmark::State &state)
{
    FakeEngineStack stack(false);
    const QString common(2040, QLatin1Char('a'));
    for (int k = 0; k < ServerTable::kSlotCount; ++k)
        stack.table.addServer(QStringLiteral("10.0.%1.%2").arg(k / 200).arg(k % 200), 7778,
                              common + QStringLiteral("%1").arg((k * 7919) % 1000000, 7, 10, QLatin1Char('0')));
    bool ascending = true;
    for (auto _ : state) {
        stack.table.sortServerList(ascending ? ServerTable::NameAscending : ServerTable::NameDescending);
        ascending = !ascending;
    }
}
BENCHMARK(sortLongNames)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
