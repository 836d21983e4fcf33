#include "SmtpSender.h"

#include <QEventLoop>
#include <QThread>

#include <curl/curl.h>

#include <cstring>
#include <mutex>

namespace {

struct Upload
{
    const QByteArray *data;
    qsizetype offset = 0;
};

size_t readMessage(char *buffer, size_t size, size_t count, void *user)
{
    auto *upload = static_cast<Upload *>(user);
    const qsizetype left = upload->data->size() - upload->offset;
    const size_t n = qMin(size_t(left), size * count);
    std::memcpy(buffer, upload->data->constData() + upload->offset, n);
    upload->offset += qsizetype(n);
    return n;
}

bool transfer(const MailSettings &settings, const QString &password, const QString &from,
              const QStringList &recipients, const QByteArray &message, QString *error)
{
    CURL *curl = curl_easy_init();
    if (!curl) {
        *error = QStringLiteral("The mail could not be sent: libcurl could not start");
        return false;
    }
    const QByteArray url = QStringLiteral("%1://%2:%3")
                               .arg(settings.security == MailSettings::Security::Tls ? QLatin1String("smtps")
                                                                                     : QLatin1String("smtp"),
                                    settings.server)
                               .arg(settings.port)
                               .toUtf8();
    const QByteArray mailFrom = '<' + from.toUtf8() + '>';
    const QByteArray user = settings.user.toUtf8();
    const QByteArray pass = password.toUtf8();
    curl_slist *rcpt = nullptr;
    for (const QString &r : recipients)
        rcpt = curl_slist_append(rcpt, ('<' + r.toUtf8() + '>').constData());
    char errorBuffer[CURL_ERROR_SIZE] = {};
    Upload upload{&message};

    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, SmtpSender::kConnectSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, SmtpSender::kTransferSeconds);
    if (settings.security == MailSettings::Security::StartTls)
        curl_easy_setopt(curl, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    if (!user.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, pass.constData());
    }
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, mailFrom.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, rcpt);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(message.size()));
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, &readMessage);
    curl_easy_setopt(curl, CURLOPT_READDATA, &upload);

    const CURLcode code = curl_easy_perform(curl);
    if (code != CURLE_OK) {
        const QString detail = errorBuffer[0] ? QString::fromUtf8(errorBuffer).trimmed()
                                              : QString::fromUtf8(curl_easy_strerror(code));
        *error = QStringLiteral("The mail could not be sent through %1:%2: %3")
                     .arg(settings.server)
                     .arg(settings.port)
                     .arg(detail);
    }
    curl_slist_free_all(rcpt);
    curl_easy_cleanup(curl);
    return code == CURLE_OK;
}

}

bool SmtpSender::send(const MailSettings &settings, const QString &password, const QString &from,
                      const QStringList &recipients, const QByteArray &message, QString *error)
{
    // libcurl starts its global state (OpenSSL's among it) once, on the
    // calling thread, before any transfer thread uses it.
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    bool ok = false;
    QString failure;
    QThread *thread = QThread::create([&] { ok = transfer(settings, password, from, recipients, message, &failure); });
    QEventLoop loop;
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    if (!thread->isFinished())
        loop.exec();
    thread->wait();
    delete thread;
    if (!ok)
        *error = failure;
    return ok;
}
