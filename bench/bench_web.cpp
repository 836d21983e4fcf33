// The web page's server time for 100 sites with a month of records each:
// the overview (goal under 200 ms) and a site's page for the month (goal
// under 300 ms), cold (every report computed) and warm (the reports of
// unchanged sites from memory), measured around the service's handler.
// Needs PostgreSQL (a throw-away cluster is made); run the Release build.

#include "BenchSupport.h"
#include "CentralDatabase.h"
#include "CentralPush.h"
#include "CentralSchema.h"
#include "PgCluster.h"
#include "PlanStore.h"
#include "TagStore.h"
#include "WebService.h"
#include "WebUsers.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QUuid>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kSites = 100;
constexpr int kDays = 30;
constexpr int kRuns = 5;

struct Figures
{
    double median, low, high;
};

// `prepare` runs before each timed call, outside the time.
template<typename P, typename F>
Figures measure(P &&prepare, F &&f)
{
    QList<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        prepare();
        QElapsedTimer t;
        t.start();
        f();
        ms << t.nsecsElapsed() / 1e6;
    }
    std::sort(ms.begin(), ms.end());
    return {ms[kRuns / 2], ms.first(), ms.last()};
}

template<typename F>
Figures measure(F &&f)
{
    return measure([] {}, f);
}

void print(const char *what, const Figures &f, double goal)
{
    std::printf("%-44s median %8.1f ms  (min %8.1f, max %8.1f)  goal %4.0f ms: %s\n", what, f.median, f.low, f.high,
                goal, f.median < goal ? "met" : "NOT met");
}

}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    QString error;
    PgCluster pg;
    if (!openBenchWorkspace(dir, &error) || !pg.start(&error)) {
        std::fprintf(stderr, "bench_web: %s\n", qPrintable(error));
        return 1;
    }
    QSqlDatabase db = CentralDatabase::open(pg.settings(), QStringLiteral("fill"), &error);
    if (!db.isOpen() || !CentralSchema::migrate(db, nullptr, &error)) {
        std::fprintf(stderr, "bench_web: %s\n", qPrintable(error));
        return 1;
    }

    // Each site: a plan of 9 rounds a day (06:00 to 22:00 every 2 hours) of 4 checkpoints.
    const QStringList codes{QStringLiteral("A1"), QStringLiteral("A2"), QStringLiteral("A3"), QStringLiteral("A4")};
    for (const QString &c : codes)
        TagStore::add(c, QStringLiteral("Point ") + c, &error);
    TagStore::add(QStringLiteral("G9"), QStringLiteral("Guard"), &error);
    TagStore::setGuard(QStringLiteral("G9"), true, &error);
    PatrolPlan plan;
    plan.name = QStringLiteral("Rounds");
    plan.start = QTime(6, 0);
    plan.end = QTime(22, 0);
    plan.interval = 120;
    plan.checkpoints = {{codes[0], 0, 5, 0}, {codes[1], 15, 5, 0}, {codes[2], 30, 5, 0}, {codes[3], 45, 5, 0}};
    if (!PlanStore::save(plan, {}, &error)) {
        std::fprintf(stderr, "bench_web: %s\n", qPrintable(error));
        return 1;
    }
    QElapsedTimer fill;
    fill.start();
    QString someSite;
    for (int i = 0; i < kSites; ++i) {
        const SiteIdentity::Site site{QUuid::createUuid().toString(QUuid::WithoutBraces), QStringLiteral("Site %1").arg(i, 3, 10, QLatin1Char('0'))};
        if (!CentralPush::registerSite(db, site, &error) || !CentralPush::pushDefinitions(db, site.id, &error)) {
            std::fprintf(stderr, "bench_web: %s\n", qPrintable(error));
            return 1;
        }
        someSite = site.id;
    }
    const QDate today = QDate::currentDate();
    const QString sql = QStringLiteral(
        "SELECT ensure_record_partition(m::timestamp) FROM generate_series(date_trunc('month', current_date - %1), current_date, '1 month') m;"
        "INSERT INTO downloads (site_id, file_name, sha256, machine_no, downloaded_at, record_count, bytes) "
        " SELECT id, to_char(current_date, 'YYYYMMDD') || ' 000100.tvl', md5(id::text) || md5(name), '0001',"
        "  current_date + time '00:01', 0, ''::bytea FROM sites;"
        "INSERT INTO records (site_id, machine_no, read_at, code, download_id, seq) "
        " SELECT d.site_id, '0001', day + interval '6 hours' + r * interval '2 hours' + cp.m * interval '1 minute'"
        "  + ((random() * 12)::int - 6) * interval '1 minute', cp.code, d.id,"
        "  row_number() OVER (PARTITION BY d.id ORDER BY day, r, cp.m)"
        " FROM downloads d, generate_series(current_date - %1, current_date - 1, interval '1 day') day,"
        "  generate_series(0, 8) r, (VALUES ('A1', 0), ('A2', 15), ('A3', 30), ('A4', 45)) cp(code, m)"
        " WHERE random() > 0.05;"
        "ANALYZE;").arg(kDays);
    if (!pg.psql(sql, nullptr, &error) || !WebUsers::add(db, QStringLiteral("bench"), "bench", true, {}, &error)) {
        std::fprintf(stderr, "bench_web: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("bench_web: %d sites, %s records, filled in %.1f s\n", kSites,
                qPrintable(pg.value(QStringLiteral("SELECT count(*) FROM records"))), fill.elapsed() / 1e3);
    db = QSqlDatabase();
    CentralDatabase::close(QStringLiteral("fill"));

    WebService::Options options;
    options.central = pg.settings();
    WebService service(options, &app);
    HttpRequest login;
    login.method = "POST";
    login.path = QStringLiteral("/login");
    login.body = "name=bench&password=bench";
    const HttpResponse in = service.handle(login);
    QByteArray cookie;
    for (const auto &h : in.headers)
        if (h.first == "Set-Cookie")
            cookie = h.second.mid(h.second.indexOf('=') + 1, 64);
    if (in.status != 303 || cookie.isEmpty()) {
        std::fprintf(stderr, "bench_web: cannot log in (%d)\n", in.status);
        return 1;
    }
    auto request = [&](const QString &path, const QString &query = {}) {
        HttpRequest r;
        r.method = "GET";
        r.path = path;
        r.query = QUrlQuery(query);
        r.cookies.insert(QStringLiteral("tavrel_session"), QString::fromLatin1(cookie));
        const HttpResponse out = service.handle(r);
        if (out.status != 200) {
            std::fprintf(stderr, "bench_web: %s answered %d\n", qPrintable(path), out.status);
            std::exit(1);
        }
        return out.body.size();
    };
    const QString month = QStringLiteral("from=%1&to=%2").arg(today.addDays(-kDays + 1).toString(Qt::ISODate), today.toString(Qt::ISODate));
    std::printf("overview page %lld bytes, site page %lld bytes\n", qlonglong(request(QStringLiteral("/"))),
                qlonglong(request(QStringLiteral("/site/") + someSite, month)));

    print("overview (/), cold", measure([&] { service.data().clear(); }, [&] { request(QStringLiteral("/")); }), 200);
    QElapsedTimer warming;
    warming.start();
    service.data().clear();
    service.warm();
    std::printf("warm-up at start (every site's overview report): %.1f ms\n", warming.nsecsElapsed() / 1e6);
    // What a request meets in service: one site downloaded since the last one.
    int changes = 0;
    print("overview (/), one site changed",
          measure(
              [&] {
                  pg.psql(QStringLiteral("INSERT INTO downloads (site_id, file_name, sha256, machine_no, downloaded_at,"
                                         " record_count, bytes) VALUES ('%1', 'later %2', md5('%2') || md5('x%2'), '0001',"
                                         " now(), 0, ''::bytea)").arg(someSite).arg(++changes));
              },
              [&] { request(QStringLiteral("/")); }),
          200);
    print("overview (/), warm", measure([&] { request(QStringLiteral("/")); }), 200);
    print("overview JSON (/api/overview), warm", measure([&] { request(QStringLiteral("/api/overview")); }), 200);
    print("site page, a month (/site/ID), cold",
          measure([&] { service.data().clear(); }, [&] { request(QStringLiteral("/site/") + someSite, month); }), 300);
    print("site page, a month (/site/ID), warm", measure([&] { request(QStringLiteral("/site/") + someSite, month); }), 300);
    print("site JSON, a month (/api/site/ID), warm",
          measure([&] { request(QStringLiteral("/api/site/") + someSite, month); }), 300);
    return 0;
}
