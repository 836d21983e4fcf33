#pragma once

#include "DownloadProcess.h"
#include "KrSimFixture.h"
#include "VxSimFixture.h"
#include "ucKR500_900.h"
#include "ucVX700.h"

#include <QDateTime>
#include <QStringList>

#include <memory>
#include <optional>

// A workspace, a simulated terminal of one family on a pseudo-terminal mapped
// to the Terminal/Comport setting, the two links and a DownloadProcess over
// them: what every download test starts from.
class DownloadFixture
{
public:
    // `records` records in the terminal; a VX terminal has machine ID 0042.
    DownloadFixture(int family, int records);
    ~DownloadFixture();

    bool isKr() const { return m_family == DownloadProcess::kKrFamily; }
    ucKR500_900 &kr() { return *m_kr; }
    ucVX700 &vx() { return *m_vx; }
    DownloadProcess &process() { return *m_process; }

    // Runs `f` on the simulator's thread with the simulator of the family.
    template<class F>
    auto kr(F &&f) { return m_krSim->sim(f); }
    template<class F>
    auto vx(F &&f) { return m_vxSim->sim(f); }
    // Runs a generic `f` (taking `auto &`) on whichever simulator the family has.
    template<class F>
    auto sim(F &&f) { return isKr() ? kr(f) : vx(f); }

    // Terminal options; the VX flow ignores `power`.
    static void setOptions(int clear, int time, int power = 0);
    // Runs a download; `at` names the file and sets the terminal's clock.
    DownloadProcess::Outcome download(bool automatic = false, const QDateTime &at = QDateTime());
    // A download that stops once `cancel` is set.
    DownloadProcess::Outcome download(bool automatic, const CancelToken &cancel);

    // The file of the last download, and its records.
    QString filePath() const;
    QStringList fileLines() const;
    // The records of every patrol-data file in `folder` (Unapproved/ when empty), in file-name order.
    static QStringList savedLines(const QString &folder = QString());
    // The patrol lines the terminal's records give, as a download writes them:
    // those it holds now, and those it held at the start.
    QStringList terminalLines();
    QStringList initialLines() const { return m_initial; }
    bool terminalCleared() { return terminalLines().isEmpty(); }
    // Makes the device vanish at the `occurrence`-th arrival of `letter`, or
    // after it sent `records` records (-1: never).
    void vanishOn(char letter, int occurrence = 1) { sim([&](auto &s) { s.setVanishOnCommand(letter, occurrence); }); }
    void vanishAfter(int records);
    bool vanished() { return sim([](auto &s) { return s.hasVanished(); }); }
    // Plugs the vanished device in again, records and state as they were.
    void replug();

    // The lines a VX terminal's records give with machine number `machine`.
    static QStringList vxLines(const QString &machine, const QList<VxCradleSim::Record> &records);

private:
    // In this order, so that the links close before the simulator stops and
    // the simulator before its folder goes.
    int m_family;
    std::unique_ptr<TestEnv> m_env;
    std::optional<KrSimFixture> m_krSim;
    std::optional<VxSimFixture> m_vxSim;
    std::unique_ptr<ucKR500_900> m_kr;
    std::unique_ptr<ucVX700> m_vx;
    std::unique_ptr<DownloadProcess> m_process;
    QStringList m_initial;
};
