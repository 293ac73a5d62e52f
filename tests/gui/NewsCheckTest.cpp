// The news page check against a web site on the loopback interface: what a 200, a 302, a 404,
// a closed port, a site that never answers and no site at all lead to; the request as the site
// sees it; and the Help page's link in the main window.
#include "news/CWebpageThread.h"
#include "tests/gui/GuiFixture.h"
#include "ui/base/UrlOpener.h"
#include "ui/resources/CommandIds.h"
#include "ui/settings/Settings.h"
#include "ui/shell/SidePages.h"

#include <QDockWidget>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>

#include <cstdlib>

namespace cmd = resources::cmd;

namespace {

// A web site on 127.0.0.1 that answers every request with the same bytes (or never).
class LoopbackSite : public QObject {
public:
    explicit LoopbackSite(QByteArray answer, bool silent = false)
        : m_answer(std::move(answer)), m_silent(silent) {
        if (!m_server.listen(QHostAddress::LocalHost, 0)) qWarning("cannot listen");
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                ++connections;
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    quint16 Port() const { return m_server.serverPort(); }
    QString Address() const { return QStringLiteral("127.0.0.1:%1").arg(Port()); }
    void Close() { m_server.close(); }

    int connections = 0;
    QList<QByteArray> requests; // each request's head, up to the blank line

private:
    void Read(QTcpSocket* socket) {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0) return;
        requests << buffer.left(end);
        buffer.remove(0, end + 4);
        if (m_silent) return;
        socket->write(m_answer);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QByteArray m_answer;
    bool m_silent;
    QHash<QTcpSocket*, QByteArray> m_buffers;
};

QByteArray Answer(int status, const char* reason, const QByteArray& extra = {}) {
    return QByteArray("HTTP/1.1 ") + QByteArray::number(status) + ' ' + reason + "\r\n" + extra +
           "Content-Type: text/html\r\nContent-Length: 5\r\nConnection: close\r\n\r\nhello";
}

void SetSite(const QString& site) {
    WriteSetting(settings::kNewsSite, site.toStdString());
}

// Runs one check with short delays; false when it did not end within the time.
bool RunCheck(CWebpageThread& check, int timeoutMs = 2000) {
    QSignalSpy done(&check, &CWebpageThread::finished);
    check.SetDelays(10, timeoutMs);
    check.Start();
    return done.count() > 0 || done.wait(timeoutMs + 5000);
}

} // namespace

class NewsCheckTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        // The loopback site is reached directly, whatever proxy this machine names.
        for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
            ::unsetenv(name);
    }

    void cleanup() { SetSite(QString()); }

    void redirectCountsAsReachableAndIsNotFollowed() {
        LoopbackSite elsewhere(Answer(200, "OK"));
        LoopbackSite redirecting(Answer(
            302, "Found", "Location: http://" + elsewhere.Address().toLatin1() + "/moved\r\n"));
        SetSite(redirecting.Address());
        CWebpageThread check;
        QSignalSpy reachable(&check, &CWebpageThread::pageReachable);
        QVERIFY(RunCheck(check));
        QCOMPARE(check.Status(), 302);
        QVERIFY(check.Reachable());
        QTest::qWait(200);
        QCOMPARE(reachable.count(), 1);
        QCOMPARE(reachable.first().first().toUrl(),
                 QUrl(QStringLiteral("http://%1/tessaly/?v=2.1").arg(redirecting.Address())));
        QCOMPARE(redirecting.requests.size(), 1);
        QCOMPARE(elsewhere.connections, 0);

        // The request as the site saw it.
        const QList<QByteArray> lines = redirecting.requests.first().split('\n');
        QCOMPARE(lines.first().trimmed(), QByteArray("GET /tessaly/?v=2.1 HTTP/1.1"));
        QByteArray agent, accept;
        for (const QByteArray& line : lines) {
            const QByteArray l = line.trimmed();
            if (l.toLower().startsWith("user-agent:")) agent = l.mid(11).trimmed();
            if (l.toLower().startsWith("accept:")) accept = l.mid(7).trimmed();
        }
        QCOMPARE(agent, QByteArray("Internet Exporer"));
        QCOMPARE(accept, QByteArray("text/*"));

        // Started once: a second Start sends nothing more.
        check.Start();
        QTest::qWait(100);
        QCOMPARE(redirecting.requests.size(), 1);
        QCOMPARE(reachable.count(), 1);
    }

    void pageFoundIsReachable() {
        LoopbackSite site(Answer(200, "OK"));
        SetSite(site.Address());
        CWebpageThread check;
        QSignalSpy reachable(&check, &CWebpageThread::pageReachable);
        QVERIFY(RunCheck(check));
        QCOMPARE(check.Status(), 200);
        QCOMPARE(reachable.count(), 1);
    }

    void otherAnswersAndFailuresSayNothing() {
        LoopbackSite missing(Answer(404, "Not Found"));
        LoopbackSite moved(Answer(301, "Moved Permanently", "Location: http://127.0.0.1:1/\r\n"));
        LoopbackSite closed{QByteArray()};
        const QString closedAddress = closed.Address();
        closed.Close();
        for (const QString& address : {missing.Address(), moved.Address(), closedAddress}) {
            SetSite(address);
            CWebpageThread check;
            QSignalSpy reachable(&check, &CWebpageThread::pageReachable);
            QVERIFY(RunCheck(check));
            QVERIFY(!check.Reachable());
            QCOMPARE(reachable.count(), 0);
            QCOMPARE(check.CurrentState(), CWebpageThread::State::kDone);
        }
        QCOMPARE(missing.requests.size(), 1);
        QCOMPARE(moved.requests.size(), 1);
    }

    void aSiteThatNeverAnswersTimesOut() {
        LoopbackSite silent(QByteArray(), true);
        SetSite(silent.Address());
        CWebpageThread check;
        QSignalSpy reachable(&check, &CWebpageThread::pageReachable);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(RunCheck(check, 300));
        QVERIFY(timer.elapsed() < 5000);
        QCOMPARE(silent.requests.size(), 1);
        QCOMPARE(check.Status(), 0);
        QCOMPARE(reachable.count(), 0);
    }

    void noSiteNoRequest() {
        LoopbackSite site(Answer(200, "OK"));
        for (const QString& setting :
             {QString(), QStringLiteral("https://127.0.0.1:%1").arg(site.Port())}) {
            SetSite(setting);
            CWebpageThread check;
            QSignalSpy done(&check, &CWebpageThread::finished);
            check.SetDelays(10, 300);
            check.Start();
            QCOMPARE(done.count(), 1); // ends at once
            QVERIFY(check.PageUrl().isEmpty());
            QTest::qWait(100);
            QCOMPARE(site.connections, 0);
        }
    }

    void waitsBeforeAsking() {
        LoopbackSite site(Answer(200, "OK"));
        SetSite(site.Address());
        CWebpageThread check;
        check.SetDelays(500, 2000);
        QSignalSpy done(&check, &CWebpageThread::finished);
        check.Start();
        QCOMPARE(check.CurrentState(), CWebpageThread::State::kWaiting);
        QTest::qWait(250);
        QCOMPARE(site.connections, 0);
        QVERIFY(done.wait(5000));
        QCOMPARE(site.requests.size(), 1);
    }

    void helpPageShowsTheLink() {
        LoopbackSite site(Answer(302, "Found", "Location: /elsewhere\r\n"));
        SetSite(site.Address());
        guitest::BindTestVolumes();
        QList<QUrl> opened;
        SetUrlOpener([&opened](const QUrl& url) {
            opened << url;
            return true;
        });
        auto frame = guitest::OpenFrame();
        // A quiet start asks nothing.
        QTest::qWait(100);
        QCOMPARE(site.connections, 0);
        QVERIFY(frame->Help()->NewsLink().isEmpty());
        QVERIFY(frame->Commands().IsEnabled(cmd::kWebsite));

        CWebpageThread* check = frame->NewsCheck();
        QVERIFY(RunCheck(*check));
        const QUrl page(QStringLiteral("http://%1/tessaly/?v=2.1").arg(site.Address()));
        QCOMPARE(frame->Help()->NewsLink(), page);
        QVERIFY(frame->Help()->toHtml().contains(page.toString().toHtmlEscaped()));
        QVERIFY(frame->Help()->toPlainText().contains(QStringLiteral("News about this version")));
        frame->RightPages()->setCurrentWidget(frame->Help());
        guitest::Screenshot(frame->RightBar(), QStringLiteral("help-page-news-link"));
        guitest::Screenshot(frame.get(), QStringLiteral("main-window-news-link"));

        // The link opens in the user's browser; the window never loads the page itself.
        QCOMPARE(site.requests.size(), 1);
        Q_EMIT frame->Help()->anchorClicked(page);
        QCOMPARE(opened, QList<QUrl>{page});
        QVERIFY(frame->Commands().Execute(cmd::kWebsite));
        QCOMPARE(opened.last(), QUrl(QStringLiteral("http://%1/").arg(site.Address())));
        QCOMPARE(site.requests.size(), 1);
        SetUrlOpener({});
    }

    void noSiteDisablesTheWebItems() {
        SetSite(QString());
        guitest::BindTestVolumes();
        auto frame = guitest::OpenFrame();
        QVERIFY(!frame->Site().isValid());
        for (unsigned id : {cmd::kWebsite, cmd::kCheckUpdates, cmd::kSupport})
            QVERIFY(!frame->Commands().IsEnabled(id));
        QVERIFY(!frame->Commands().Execute(cmd::kWebsite));
        frame->NewsCheck()->Start();
        QCOMPARE(frame->NewsCheck()->CurrentState(), CWebpageThread::State::kDone);
        QVERIFY(frame->Help()->NewsLink().isEmpty());
    }
};

TESSALY_GUI_TEST_MAIN(NewsCheckTest)
#include "NewsCheckTest.moc"
