// tavrel-web: the read-only web page over the central database, for the
// people who want the results without running Tavrel.

#include "CentralDatabase.h"
#include "CentralSchema.h"
#include "HttpAdapter.h"
#include "WebService.h"

#include <QGuiApplication>
#include <QHostAddress>
#include <QTextStream>
#include <QThreadPool>

namespace {

constexpr int kUsage = 64;
constexpr int kCentral = 8;
constexpr int kListen = 1;

// "127.0.0.1:8080", "[::1]:8080"; false when it is neither.
bool parseListen(const QString &text, QHostAddress *address, quint16 *port)
{
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon <= 0)
        return false;
    QString host = text.left(colon);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    bool ok = false;
    const uint p = text.mid(colon + 1).toUInt(&ok);
    if (!ok || p > 65535 || !address->setAddress(host))
        return false;
    *port = quint16(p);
    return true;
}

}

int main(int argc, char **argv)
{
    // The PDF of the exception report draws text, which needs a GUI
    // application; the service never shows a window.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tavrel"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QString listen = QStringLiteral("127.0.0.1:8080");
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--listen") && i + 1 < args.size()) {
            listen = args[++i];
        } else {
            err << "usage: tavrel-web [--listen ADDRESS:PORT]   (default 127.0.0.1:8080; the settings' [Central] and [Web])\n";
            return args[i] == QLatin1String("--help") ? 0 : kUsage;
        }
    }
    QHostAddress address;
    quint16 port = 0;
    if (!parseListen(listen, &address, &port)) {
        err << "tavrel-web: --listen takes ADDRESS:PORT, not " << listen << '\n';
        return kUsage;
    }

    const WebService::Options options = WebService::Options::fromSettings();
    {
        QString error;
        QSqlDatabase db = CentralDatabase::open(options.central, QStringLiteral("web-check"), &error);
        const bool ok = db.isOpen() && CentralSchema::check(db, &error);
        db = QSqlDatabase();
        CentralDatabase::close(QStringLiteral("web-check"));
        if (!ok) {
            err << "tavrel-web: " << error << '\n';
            return kCentral;
        }
    }

    WebService service(options, &app);
    HttpAdapter adapter([&service](const HttpRequest &request) { return service.handle(request); }, 4,
                        int(options.requestTimeoutSeconds * 1000));
    QString error;
    if (!adapter.listen(address, port, &error)) {
        err << "tavrel-web: " << error << '\n';
        return kListen;
    }
    const QString shown = address.protocol() == QAbstractSocket::IPv6Protocol ? u'[' + address.toString() + u']'
                                                                                : address.toString();
    // The overview's reports are computed meanwhile, so its first request is quick too.
    QThreadPool::globalInstance()->start([&service] { service.warm(); });
    out << "tavrel-web: listening on http://" << shown << ':' << adapter.port() << "/\n";
    out.flush();
    const int status = app.exec();
    QThreadPool::globalInstance()->waitForDone();
    return status;
}
