// The "Add ngWorldStats" dialog while it lists the matches of a name search
// for 5,000, 20,000 and 60,000 players: the time from the search to the
// last row listed, and the longest stretch during which the event loop did
// not come round (which bounds how long the dialog stops answering). The
// simulated service runs in a process of its own, so that building its
// pages is not counted; the page cap is raised for the larger lists.
#include "StallMeter.h"
#include "platform/ConsoleMessageBoxes.h"
#include "stats/PageFetcher.h"
#include "stats/StatsSearch.h"
#include "stats/dialogs/AddStatsDialog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

namespace {

// quorvelin-statssim ranking count players; the port it listens on, 0 when it did not start.
quint16 startService(QProcess &process, int count)
{
    process.start(QStringLiteral(QUORVELIN_STATSSIM),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--quiet"), QStringLiteral("--crowd"),
                   QString::number(count)});
    QByteArray line;
    while (!line.contains('\n') && process.waitForReadyRead(10000))
        line += process.readAllStandardOutput();
    const QRegularExpressionMatch port =
        QRegularExpression(QStringLiteral("^stats 127\\.0\\.0\\.1:(\\d+)")).match(QString::fromLatin1(line));
    return port.hasMatch() ? quint16(port.captured(1).toUInt()) : quint16(0);
}

void listMatches(benchmark::State &state)
{
    const int count = int(state.range(0));
    QProcess service;
    const quint16 port = startService(service, count);
    if (port == 0) {
        state.SkipWithError("the simulator did not start");
        return;
    }

    ConsoleMessageBoxes messages;
    AddStatsDialog dialog({messages});
    dialog.setHost(QStringLiteral("127.0.0.1:%1").arg(port));
    dialog.search().fetcher().setLimits({64 * 1024 * 1024, 30000});
    dialog.setKind(Stats::RankingKind::Player);
    dialog.show();
    dialog.findChild<QLineEdit *>(QStringLiteral("ed_Name"))->setText(QStringLiteral("Crowd"));
    auto *matches = dialog.findChild<QTreeWidget *>(QStringLiteral("lv_Items"));
    QPushButton *search = dialog.findChild<QPushButton *>(QStringLiteral("btn_Src"));

    StallMeter meter;
    qint64 worstOverall = 0;
    int listed = 0;
    for (auto _ : state) {
        meter.start();
        search->click();
        while (dialog.isSearching())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        state.SetIterationTime(static_cast<double>(meter.stop()) / 1000.0);
        worstOverall = std::max(worstOverall, meter.longestGap());
        listed = matches->topLevelItemCount();
    }
    if (listed != count)
        state.SkipWithError("not every match was listed");
    state.counters["longest_gap_ms"] = static_cast<double>(worstOverall);
    state.counters["matches"] = listed;
    service.terminate();
    service.waitForFinished();
}
BENCHMARK(listMatches)
    ->Arg(5000)
    ->Arg(20000)
    ->Arg(60000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace
