#include "tests/support/WindowRig.h"
#include "views/PortPage.h"
#include "views/PortSearchAction.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>

using namespace std::chrono_literals;
using PortState = sim::SimulatedLine::PortState;

namespace {

const QString Found = QStringLiteral("Found on port");
const QString NotFound = QStringLiteral("Not found.");

struct Harness : testsupport::WindowRig {
    Harness() {
        writeLanguageFile(QStringLiteral("50=%1\r\n51=%2\r\n").arg(Found, NotFound));
        portSetting.setComPort(9);
        start();
    }

    void search() { window->fraCOMM->cmdSCANTORAN->click(); }
    [[nodiscard]] QString selected() const { return window->fraCOMM->cmbPort->currentText(); }
    [[nodiscard]] QList<QPushButton*> navigation() const {
        return {window->cmdBack, window->cmdNext, window->cmdCancel, window->fraCOMM->cmdSCANTORAN};
    }
};

} // namespace

class TestPortSearch : public QObject {
    Q_OBJECT

private slots:
    void lowestAnsweringPortWins() {
        Harness harness;
        harness.line.attach(3);
        harness.line.attach(7);
        QList<bool> enabledDuringSearch;
        harness.clock.setOnDelay([&] {
            for (const QPushButton* button : harness.navigation())
                enabledDuringSearch.append(button->isEnabled());
        });
        harness.search();

        QCOMPARE(harness.messages.texts(), QStringList({Found + QStringLiteral(" 3")}));
        QCOMPARE(harness.messages.shown.first().icon, text::MsgIcon::Information);
        QCOMPARE(harness.selected(), QStringLiteral("COM3"));
        QVERIFY(!harness.line.isOpen());
        QCOMPARE(harness.line.openedPorts(), QList<int>({3}));
        QCOMPARE(harness.line.instrument(3).frames(), QList<QByteArray>({"$00@", "$00@"}));
        QCOMPARE(harness.line.instrument(7).frameCount(), 0);
        QVERIFY(!enabledDuringSearch.isEmpty());
        QVERIFY(!enabledDuringSearch.contains(true));
        for (const QPushButton* button : harness.navigation())
            QVERIFY2(button->isEnabled(), qPrintable(button->objectName()));
        QCOMPARE(harness.portSetting.comPort(), 9);
    }

    void unrecognisedRepliesCountAsSilent_data() {
        QTest::addColumn<QByteArray>("identification");
        QTest::addColumn<bool>("late");
        QTest::newRow("lower case only") << QByteArray("toran r-40 v2.10\r") << false;
        QTest::newRow("reply after the exchange looked") << QByteArray() << true;
    }

    void unrecognisedRepliesCountAsSilent() {
        QFETCH(QByteArray, identification);
        QFETCH(bool, late);
        Harness harness;
        sim::Instrument& doubtful = harness.line.attach(2);
        if (!identification.isEmpty())
            doubtful.setIdentification(identification);
        if (late)
            doubtful.addFault(
                {sim::FaultKind::LateReply, sim::Command::Identify, 0, std::nullopt, 300ms});
        harness.line.attach(6);
        // A port left open by a failed connect is probed too.
        QVERIFY(harness.line.setPortNumber(2));
        QCOMPARE(harness.line.open(), device::OpenResult::Opened);

        harness.search();
        QCOMPARE(harness.messages.texts(), QStringList({Found + QStringLiteral(" 6")}));
        QCOMPARE(harness.selected(), QStringLiteral("COM6"));
        QCOMPARE(harness.line.openedPorts(), QList<int>({2, 2, 6}));
        QCOMPARE(doubtful.frameCount(), 2);
        QVERIFY(!harness.line.isOpen());
    }

    void portsThatCannotBeOpenedAreSkipped_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("instrumentAbove");
        QTest::addColumn<QString>("message");
        QTest::newRow("in use") << int(PortState::InUse) << false << NotFound;
        QTest::newRow("permission refused") << int(PortState::PermissionDenied) << false
                                            << NotFound + u' ' + app::permissionAdvice();
        QTest::newRow("permission refused, instrument found above")
            << int(PortState::PermissionDenied) << true << Found + QStringLiteral(" 8");
    }

    void portsThatCannotBeOpenedAreSkipped() {
        QFETCH(int, state);
        QFETCH(bool, instrumentAbove);
        QFETCH(QString, message);
        Harness harness;
        harness.line.setPortState(2, static_cast<PortState>(state));
        harness.line.setPortState(5, PortState::Silent);
        if (instrumentAbove)
            harness.line.attach(8);
        harness.window->fraCOMM->cmbPort->setCurrentIndex(10);

        harness.search();
        QCOMPARE(harness.messages.texts(), QStringList({message}));
        QCOMPARE(harness.messages.shown.first().icon,
                 instrumentAbove ? text::MsgIcon::Information : text::MsgIcon::Exclamation);
        QCOMPARE(harness.selected(), instrumentAbove ? QStringLiteral("COM8") : "COM11");
        QCOMPARE(harness.line.openedPorts(), instrumentAbove ? QList<int>({5, 8}) : QList<int>{5});
        QVERIFY(!harness.line.isOpen());
        QVERIFY(harness.window->cmdBack->isEnabled());
    }

    void withoutPortsTheAnswerComesAtOnce() {
        Harness harness;
        harness.search();
        QCOMPARE(harness.messages.texts(), QStringList({NotFound}));
        QCOMPARE(harness.messages.shown.first().icon, text::MsgIcon::Exclamation);
        QVERIFY(harness.line.openedPorts().isEmpty());
        QCOMPARE(harness.clock.waited(), 0ms);
        QCOMPARE(harness.selected(), QStringLiteral("COM9"));
    }

    void searchWaitsForNoOtherAction() {
        Harness harness;
        harness.line.attach(1);
        bool ran = true;
        QVERIFY(harness.window->session().runner().run([&](const device::Link&) {
            ran = app::runPortSearch(harness.window->session(), *harness.window->fraCOMM,
                                     harness.window->LangText());
        }));
        QVERIFY(!ran);
        QVERIFY(harness.messages.shown.isEmpty());
        QVERIFY(harness.line.openedPorts().isEmpty());
    }
};

QTEST_MAIN(TestPortSearch)
#include "tst_portsearch.moc"
