#include "news/CWebpageThread.h"

#include "news/NewsSite.h"
#include "ui/resources/Site.h"
#include "ui/settings/Settings.h"

#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

// The system's own proxy settings, as the desktop has them configured.
class SystemProxies : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
        return systemProxyForQuery(query);
    }
};

} // namespace

CWebpageThread::CWebpageThread(QObject* parent)
    : QObject(parent), m_startDelayMs(news::kStartDelayMs), m_timeoutMs(news::kConnectTimeoutMs) {
    m_delay.setSingleShot(true);
    connect(&m_delay, &QTimer::timeout, this, &CWebpageThread::SendRequest);
}

CWebpageThread::~CWebpageThread() {
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void CWebpageThread::SetDelays(int startDelayMs, int timeoutMs) {
    m_startDelayMs = startDelayMs;
    m_timeoutMs = timeoutMs;
}

void CWebpageThread::Start() {
    if (m_state != State::kIdle) return;
    const std::optional<news::SiteAddress> site = news::ParseSite(ReadSetting(settings::kNewsSite));
    if (!site) {
        Finish(false); // no site: no request, ever
        return;
    }
    m_url = QUrl(QString::fromStdString(news::SiteUrl(*site, resources::kNewsPath)));
    m_state = State::kWaiting;
    m_delay.start(m_startDelayMs);
}

void CWebpageThread::SendRequest() {
    m_state = State::kRequesting;
    m_network = new QNetworkAccessManager(this);
    m_network->setProxyFactory(new SystemProxies);
    QNetworkRequest request(m_url);
    // Qt follows redirects by default; the check must see the 302 itself.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QByteArray(news::kUserAgent.data(), news::kUserAgent.size()));
    request.setRawHeader("Accept", QByteArray(news::kAccept.data(), news::kAccept.size()));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setTransferTimeout(m_timeoutMs);
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &CWebpageThread::OnHeaders);
    connect(m_reply, &QNetworkReply::finished, this, &CWebpageThread::OnFinished);
}

void CWebpageThread::OnHeaders() {
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) return;
    m_status = status.toInt();
    m_reply->abort(); // the body is not needed
}

void CWebpageThread::OnFinished() {
    if (m_status == 0) {
        const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid()) m_status = status.toInt();
    }
    m_reply->deleteLater();
    m_reply = nullptr;
    Finish(news::IsReachableStatus(m_status));
}

void CWebpageThread::Finish(bool reachable) {
    m_state = State::kDone;
    m_reachable = reachable;
    if (reachable) Q_EMIT pageReachable(m_url);
    Q_EMIT finished(reachable);
}
