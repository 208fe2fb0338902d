// Time per paint of the busiest views, drawn offscreen into an image.
#include "core/ServerTable.h"
#include "mainwindow/HistoryPlotView.h"
#include "mainwindow/PlayersView.h"
#include "mainwindow/ScoreGraphView.h"
#include "mainwindow/ServerListView.h"
#include "mainwindow/ServerRowDelegate.h"
#include "support/FakeEngineStack.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

void renderOnce(QWidget &widget, QImage &image)
{
    image.fill(Qt::white);
    widget.render(&image);
}

void serverList256(benchmark::State &state)
{
    FakeEngineStack stack;
    for (int k = 0; k < ServerTable::kSlotCount; ++k) {
        const int slot = stack.table.addServer(QStringLiteral("10.0.%1.%2").arg(k / 200).arg(k % 200), 7778,
                                               QStringLiteral("Server number %1 of the list").arg(k));
        stack.table.server(slot)->NumPlayers = QByteArray::number(k % 17);
        stack.table.server(slot)->MaxPlayers = "16";
        stack.table.syncListCounts(slot);
        stack.table.setChecked(k, k % 3 == 0);
    }
    ServerListView view;
    view.setModel(&stack.table);
    view.setItemDelegate(new ServerRowDelegate(&view));
    // Tall enough to show every row at once.
    view.resize(320, ServerTable::kSlotCount * 16 + 4);
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state)
        renderOnce(view, image);
}
BENCHMARK(serverList256)->Unit(benchmark::kMillisecond);

TUTServer fiftyPlayers()
{
    TUTServer server(QStringLiteral("10.0.0.1"), 7778);
    for (int k = 0; k < TUTServer::kPlayerSlots; ++k) {
        TPlayerRecord &p = server.Players[static_cast<size_t>(k)];
        p.Name = "Player " + QByteArray::number(k);
        p.Frags = QByteArray::number((k * 37) % 60 - 5);
        p.Ping = " " + QByteArray::number(20 + k);
        p.Team = QByteArray::number(k % 2);
        p.NgSecret = "true";
        p.Mesh = "Male Commando";
        p.Skin = "CommandoSkins.cmdo";
        p.Face = "CommandoSkins.Blake";
    }
    server.PlayerSlotCount = "50";
    return server;
}

void playersView50(benchmark::State &state)
{
    const TUTServer server = fiftyPlayers();
    PlayersView view;
    view.resize(640, 50 * 22);
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        view.fill(server);
        renderOnce(view, image);
    }
}
BENCHMARK(playersView50)->Unit(benchmark::kMillisecond);

void scoreGraph50(benchmark::State &state)
{
    PlayersView players;
    players.fill(fiftyPlayers());
    ScoreGraphView graph;
    graph.resize(800, 480);
    QImage image(graph.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        graph.setRows(players.rows());
        renderOnce(graph, image);
    }
}
BENCHMARK(scoreGraph50)->Unit(benchmark::kMillisecond);

// A week of one server at about one sample a minute, laid out and drawn.
void historyWeek10000(benchmark::State &state)
{
    constexpr qint64 kNow = 1717459200;
    constexpr qint64 kWeek = 7 * 24 * 3600;
    QList<HistorySample> samples;
    for (qint64 t = kNow - kWeek; samples.size() < 10000; t += 60)
        samples.append(HistorySample{t, int((t / 600) % 17), 16, QStringLiteral("DM-Deck16][")});
    HistoryPlotView plot(QStringLiteral("pbx_History7d"), QStringLiteral("Players over the last 7 days"));
    plot.resize(800, 240);
    plot.setSamples(samples, kNow - kWeek, kNow, QTimeZone::systemTimeZone());
    QImage image(plot.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state)
        renderOnce(plot, image);
}
BENCHMARK(historyWeek10000)->Unit(benchmark::kMillisecond);

} // namespace
