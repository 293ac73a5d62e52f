#pragma once
// The news page check. Three seconds after Start, one GET of the product web site's news page
// for this version ("/tessaly/?v=2.1") with the user agent "Internet Exporer" and
// "Accept: text/*"; a redirect is never followed, and the body is never read. An answer of 200
// or 302 makes the page reachable: pageReachable is emitted once (the main window then offers
// the page as a link). Without a site in the settings ([Options] NewsSite) nothing is ever
// sent. Runs on the window thread; the network classes do their waiting off it.
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

class CWebpageThread : public QObject {
    Q_OBJECT
public:
    enum class State { kIdle, kWaiting, kRequesting, kDone };

    explicit CWebpageThread(QObject* parent = nullptr);
    ~CWebpageThread() override;

    // Starts the check once (later calls do nothing): reads the site from the settings; with
    // none the check ends at once without a request.
    void Start();

    // Tests: the wait before the request and the time the site has to answer.
    void SetDelays(int startDelayMs, int timeoutMs);

    State CurrentState() const { return m_state; }
    bool Reachable() const { return m_reachable; }
    // The status the site answered with; 0 when there was no answer.
    int Status() const { return m_status; }
    // The page checked; empty when no site is set.
    QUrl PageUrl() const { return m_url; }

Q_SIGNALS:
    // The page answered 200 or 302 (message 2032). Emitted at most once.
    void pageReachable(const QUrl& url);
    // The check has ended, whatever its outcome.
    void finished(bool reachable);

private:
    void SendRequest();
    void OnHeaders();
    void OnFinished();
    void Finish(bool reachable);

    State m_state = State::kIdle;
    int m_startDelayMs;
    int m_timeoutMs;
    QTimer m_delay;
    QUrl m_url;
    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    int m_status = 0;
    bool m_reachable = false;
};
