#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QUrlQuery>

#include <functional>
#include <memory>

// One HTTP request as the web service sees it.
struct HttpRequest
{
    QByteArray method; // GET, POST, ...
    QString path;      // decoded, without the query
    QUrlQuery query;
    QList<QPair<QByteArray, QByteArray>> headers; // names in lower case
    QHash<QString, QString> cookies;
    QByteArray body;

    QByteArray header(const QByteArray &lowerName) const;
    // The fields of an application/x-www-form-urlencoded body.
    QHash<QString, QString> form() const;
};

struct HttpResponse
{
    int status = 200;
    QByteArray contentType;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    // Sent this many milliseconds after the handler returned (a slowed
    // login), without holding a worker or the server while waiting.
    int delayMs = 0;
};

// The HTTP server under the web service, and the only place that knows the
// HTTP library (its interface changes between Qt versions). Requests are read
// on the thread that made the adapter and handed to `handler` on one of
// `workers` threads of the adapter's own pool; the answer goes back on the
// adapter's thread. Requests are bounded before the library buffers them:
// headers over kMaxHeaders get 431, a body announced over kMaxBody 413, a
// request line or header the adapter cannot read, or a chunked body, 400; a
// request not complete `requestTimeoutMs` after its first byte, 408; then the
// connection is closed.
class HttpAdapter : public QObject
{
public:
    static constexpr qint64 kMaxBody = 16 * 1024;
    static constexpr qint64 kMaxHeaders = 8 * 1024;
    using Handler = std::function<HttpResponse(const HttpRequest &)>;

    explicit HttpAdapter(Handler handler, int workers = 4, int requestTimeoutMs = 30000, QObject *parent = nullptr);
    ~HttpAdapter() override;

    // False with `error` when the address cannot be listened on.
    bool listen(const QHostAddress &address, quint16 port, QString *error);
    quint16 port() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
