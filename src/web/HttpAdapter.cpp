#include "HttpAdapter.h"

#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QPointer>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThreadPool>
#include <QTimer>

namespace {

// Watches the bytes of one connection before the HTTP library reads them
// (its reader is connected after this one and reads everything there is):
// the head of each request up to its blank line, then its announced body.
class RequestGuard : public QObject
{
public:
    RequestGuard(QTcpSocket *socket, int timeoutMs)
        : QObject(socket), m_socket(socket)
    {
        connect(socket, &QTcpSocket::readyRead, this, [this] { look(); });
        // A request trickling in byte by byte would hold the connection for ever.
        m_timer.setSingleShot(true);
        m_timer.setInterval(timeoutMs);
        connect(&m_timer, &QTimer::timeout, this,
                [this] { refuse(408, "Request Timeout", "The request did not arrive in time"); });
    }

private:
    void look()
    {
        const qint64 available = m_socket->bytesAvailable();
        if (available <= 0)
            return;
        QByteArray bytes = m_socket->peek(available);
        scan(bytes);
        if (m_refused)
            return;
        if (m_head.isEmpty() && m_bodyLeft == 0)
            m_timer.stop();
        else if (!m_timer.isActive())
            m_timer.start();
    }

    void scan(QByteArray bytes)
    {
        while (!bytes.isEmpty()) {
            if (m_bodyLeft > 0) {
                const qint64 take = std::min<qint64>(m_bodyLeft, bytes.size());
                m_bodyLeft -= take;
                bytes.remove(0, take);
                continue;
            }
            m_head += bytes;
            bytes.clear();
            while (m_head.startsWith("\r\n")) // blank lines between requests are allowed
                m_head.remove(0, 2);
            const qsizetype end = m_head.indexOf("\r\n\r\n");
            if (end < 0) {
                if (m_head.size() > HttpAdapter::kMaxHeaders)
                    refuse(431, "Request Header Fields Too Large", "The request's headers are too long");
                return;
            }
            if (end + 4 > HttpAdapter::kMaxHeaders) {
                refuse(431, "Request Header Fields Too Large", "The request's headers are too long");
                return;
            }
            qint64 length = 0;
            const char *why = readHead(m_head.left(end), &length);
            if (why) {
                refuse(400, "Bad Request", why);
                return;
            }
            if (length > HttpAdapter::kMaxBody) {
                refuse(413, "Payload Too Large", "The request's body is too long");
                return;
            }
            bytes = m_head.mid(end + 4);
            m_head.clear();
            m_bodyLeft = length;
        }
    }

    // Why the head cannot be taken, or null; `length` gets its Content-Length.
    static const char *readHead(const QByteArray &head, qint64 *length)
    {
        static const QRegularExpression requestLine(QStringLiteral("^[A-Z]{1,16} /\\S* HTTP/1\\.[01]$"));
        const QList<QByteArray> lines = head.split('\n');
        if (!requestLine.match(QString::fromLatin1(lines.first().chopped(lines.first().endsWith('\r') ? 1 : 0)))
                 .hasMatch())
            return "The request line cannot be read";
        bool seenLength = false;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            QByteArray line = lines[i];
            if (line.endsWith('\r'))
                line.chop(1);
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0)
                return "A header cannot be read";
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "transfer-encoding")
                return "Chunked request bodies are not taken";
            if (name == "content-length") {
                bool ok = false;
                const qint64 n = value.toLongLong(&ok);
                if (!ok || n < 0 || (seenLength && n != *length))
                    return "The Content-Length cannot be read";
                *length = n;
                seenLength = true;
            }
        }
        return nullptr;
    }

    void refuse(int status, const char *text, const char *why)
    {
        m_refused = true;
        m_timer.stop();
        // Nobody else reads this connection any more: what still comes is dropped.
        disconnect(m_socket, &QTcpSocket::readyRead, nullptr, nullptr);
        if (m_socket->isTransactionStarted())
            m_socket->rollbackTransaction();
        m_socket->readAll();
        QTcpSocket *socket = m_socket;
        connect(socket, &QTcpSocket::readyRead, this, [socket] { socket->readAll(); });
        const QByteArray body = QByteArray(why) + '\n';
        socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + text
                      + "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: "
                      + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QTcpSocket *m_socket;
    QTimer m_timer;
    QByteArray m_head;
    qint64 m_bodyLeft = 0;
    bool m_refused = false;
};

// Puts a guard on every connection before the HTTP library takes it.
class GuardedServer : public QTcpServer
{
public:
    GuardedServer(int timeoutMs, QObject *parent)
        : QTcpServer(parent), m_timeoutMs(timeoutMs)
    {
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        new RequestGuard(socket, m_timeoutMs);
        addPendingConnection(socket);
    }

private:
    const int m_timeoutMs;
};

HttpRequest toRequest(const QHttpServerRequest &request)
{
    HttpRequest r;
    const QUrl url = request.url();
    r.path = url.path(QUrl::FullyDecoded);
    r.query = request.query();
    r.body = request.body();
    static const QHash<QHttpServerRequest::Method, QByteArray> names = {
        {QHttpServerRequest::Method::Get, "GET"},       {QHttpServerRequest::Method::Put, "PUT"},
        {QHttpServerRequest::Method::Delete, "DELETE"}, {QHttpServerRequest::Method::Post, "POST"},
        {QHttpServerRequest::Method::Head, "HEAD"},     {QHttpServerRequest::Method::Options, "OPTIONS"},
        {QHttpServerRequest::Method::Patch, "PATCH"},
    };
    r.method = names.value(request.method(), "OTHER");
    for (const auto &h : request.headers()) {
        const QByteArray name = h.first.toLower();
        r.headers.append({name, h.second});
        if (name != "cookie")
            continue;
        for (const QByteArray &part : h.second.split(';')) {
            const qsizetype eq = part.indexOf('=');
            if (eq > 0)
                r.cookies.insert(QString::fromLatin1(part.left(eq).trimmed()),
                                 QString::fromLatin1(part.mid(eq + 1).trimmed()));
        }
    }
    return r;
}

}

QByteArray HttpRequest::header(const QByteArray &lowerName) const
{
    for (const auto &h : headers)
        if (h.first == lowerName)
            return h.second;
    return {};
}

QHash<QString, QString> HttpRequest::form() const
{
    QHash<QString, QString> fields;
    QByteArray text = body;
    text.replace('+', ' '); // a form's space; a real plus arrives as %2B
    const QUrlQuery query(QString::fromLatin1(text));
    for (const auto &item : query.queryItems(QUrl::FullyDecoded))
        fields.insert(item.first, item.second);
    return fields;
}

struct HttpAdapter::Private
{
    Handler handler;
    QHttpServer server;
    QThreadPool pool;
    GuardedServer *tcp = nullptr;
    int timeoutMs = 30000;
};

HttpAdapter::HttpAdapter(Handler handler, int workers, int requestTimeoutMs, QObject *parent)
    : QObject(parent), d(std::make_unique<Private>())
{
    d->handler = std::move(handler);
    d->timeoutMs = std::max(100, requestTimeoutMs);
    d->pool.setMaxThreadCount(std::max(1, workers));
    d->pool.setExpiryTimeout(-1); // workers keep their database connections
    d->server.setMissingHandler([this](const QHttpServerRequest &request, QHttpServerResponder &&responder) {
        auto held = std::make_shared<QHttpServerResponder>(std::move(responder));
        QPointer<QTcpSocket> socket = held->socket();
        const HttpRequest r = toRequest(request);
        QPointer<HttpAdapter> self = this;
        d->pool.start([this, self, r, held, socket] {
            const HttpResponse out = d->handler(r);
            auto send = [held, socket, out] {
                if (!socket || socket->state() != QAbstractSocket::ConnectedState)
                    return; // the client went away
                held->writeStatusLine(QHttpServerResponder::StatusCode(out.status));
                if (!out.contentType.isEmpty())
                    held->writeHeader("Content-Type", out.contentType);
                for (const auto &h : out.headers)
                    held->writeHeader(h.first, h.second);
                held->writeHeader("Content-Length", QByteArray::number(out.body.size()));
                held->writeBody(out.body);
            };
            QMetaObject::invokeMethod(
                self, [self, send, delay = out.delayMs] {
                    if (delay > 0)
                        QTimer::singleShot(delay, Qt::PreciseTimer, self, send); // not before the name's hold ends
                    else
                        send();
                },
                Qt::QueuedConnection);
        });
    });
}

HttpAdapter::~HttpAdapter()
{
    d->pool.waitForDone();
}

bool HttpAdapter::listen(const QHostAddress &address, quint16 port, QString *error)
{
    auto *tcp = new GuardedServer(d->timeoutMs, this);
    if (!tcp->listen(address, port)) {
        *error = QStringLiteral("Cannot listen on %1:%2: %3").arg(address.toString()).arg(port).arg(tcp->errorString());
        delete tcp;
        return false;
    }
    d->server.bind(tcp);
    d->tcp = tcp;
    return true;
}

quint16 HttpAdapter::port() const
{
    return d->tcp ? d->tcp->serverPort() : 0;
}
