#include "core/certificate/DccXml.h"
#include "core/certificate/DsiUnit.h"
#include "tests/support/DccSchema.h"

#include <QSet>
#include <QTest>
#include <QXmlStreamReader>

using certificate::CertificateData;
Q_DECLARE_METATYPE(CertificateData)

namespace {

const QString SignalUnit = QStringLiteral("\\milli\\volt\\per\\volt");
const QString Percent = QStringLiteral("\\percent");

// A calibration with nothing left out.
CertificateData full() {
    CertificateData data;
    data.certificateNumber = QStringLiteral("TC-2026-00042");
    data.uuid = QUuid(QStringLiteral("{0f8fad5b-d9cb-469f-a165-70867728950e}"));
    data.issueDate = QDate(2026, 3, 4);
    data.softwareVersion = QStringLiteral("1.0.1");
    data.laboratory = QStringLiteral("bench-7");
    data.operatorName = QStringLiteral("J. Novak");
    data.instrumentId = QStringLiteral("R-40 SN 1234");
    data.sensorId = QStringLiteral("S-0815");
    data.sensorDescription = QStringLiteral("Load cell 50 kN");
    data.unit = QStringLiteral("kN");
    data.rangeLow = -50.0;
    data.rangeHigh = 50.0;
    data.gainRange = 3.91;
    data.standard = {QStringLiteral("Force standard"), QStringLiteral("FS-77"),
                     QStringLiteral("CMI-2025-123"), QDate(2027, 1, 31)};
    data.temperature = 21.5;
    data.humidity = 45.0;
    data.start = QDateTime(QDate(2026, 3, 4), QTime(9, 0), Qt::OffsetFromUTC, 3600);
    data.end = QDateTime(QDate(2026, 3, 4), QTime(9, 40), Qt::OffsetFromUTC, 3600);
    data.points = {{0.0, 0.0}, {1.0012, 25.0}, {2.0031, 50.0}};
    data.asFound = {{{25.0, 25.1, 0.1, 0.2, false}, {50.0, 50.02, 0.02, 0.04, true}},
                    certificate::Verdict::Fail};
    data.asLeft = {{{25.0, 25.01, 0.01, 0.02, true}, {50.0, 49.99, -0.01, -0.02, true}},
                   certificate::Verdict::Pass};
    data.dueDate = QDate(2027, 3, 4);
    return data;
}

// Only what every record has: no operator, standard, conditions, checks or due dates.
CertificateData bare() {
    CertificateData data;
    data.certificateNumber = QStringLiteral("TC-2026-00043");
    data.uuid = QUuid(QStringLiteral("{7c9e6679-7425-40de-944b-e07fc1f90ae7}"));
    data.issueDate = QDate(2026, 3, 5);
    data.start = data.end = QDateTime(QDate(2026, 3, 5), QTime(8, 0), Qt::UTC);
    data.points = {{0.0, 0.0}, {2.0, 10.0}};
    return data;
}

// The texts of the elements whose local names end with `path` ("person/name/content").
QStringList texts(const QByteArray& xml, const QString& path) {
    QXmlStreamReader reader(xml);
    QStringList stack;
    QStringList found;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            stack.append(reader.name().toString());
            if ((u'/' + stack.join(u'/')).endsWith(u'/' + path))
                found.append(reader.readElementText());
            else
                continue;
        }
        if (reader.isEndElement())
            stack.removeLast();
    }
    if (reader.hasError())
        found.append(QStringLiteral("parse error: ") + reader.errorString());
    return found;
}

QSet<QString> units(const QByteArray& xml) {
    const QStringList all =
        texts(xml, QStringLiteral("unit")) + texts(xml, QStringLiteral("unitXMLList"));
    return {all.begin(), all.end()};
}

} // namespace

class CertificateTest : public QObject {
    Q_OBJECT

private slots:
    void validatesAgainstTheSchema_data() {
        QTest::addColumn<CertificateData>("data");
        QTest::addColumn<QSet<QString>>("units");
        QTest::newRow("full") << full()
                              << QSet<QString>{SignalUnit, QStringLiteral("\\kilo\\newton"),
                                               Percent, QStringLiteral("\\degreeCelsius")};
        QTest::newRow("optional parts empty")
            << bare() << QSet<QString>{SignalUnit, QStringLiteral("\\one"), Percent};
    }
    void validatesAgainstTheSchema() {
        QFETCH(CertificateData, data);
        QFETCH(QSet<QString>, units);
        const QByteArray xml = certificate::dccXml(data);
        QCOMPARE(::units(xml), units);
        QCOMPARE(texts(xml, QStringLiteral("uniqueIdentifier")),
                 QStringList{data.certificateNumber});

        const std::optional<QString> problems = testsupport::dccSchemaProblems(xml);
        if (!problems)
            QSKIP(TORANCAL_SKIP_WITHOUT_XMLLINT);
        QVERIFY2(problems->isEmpty(), qPrintable(*problems));
    }

    // The sensor's unit as the reference loads carry it; one without a D-SI form is "\one",
    // with the typed text beside the values.
    void sensorUnitInDsi_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("dsi");
        QTest::newRow("kg") << "kg"
                            << "\\kilogram";
        QTest::newRow("g") << "g"
                           << "\\gram";
        QTest::newRow("t") << "t"
                           << "\\tonne";
        QTest::newRow("N") << "N"
                           << "\\newton";
        QTest::newRow("kN, blanks around") << " kN  "
                                           << "\\kilo\\newton";
        QTest::newRow("KN") << "KN"
                            << "\\kilo\\newton";
        QTest::newRow("daN") << "daN"
                             << "\\deca\\newton";
        QTest::newRow("MPa") << "MPa"
                             << "\\mega\\pascal";
        QTest::newRow("%") << "%"
                           << "\\percent";
        QTest::newRow("unknown") << "lbf"
                                 << "\\one";
        QTest::newRow("mN is not MN") << "mN"
                                      << "\\one";
    }
    void sensorUnitInDsi() {
        QFETCH(QString, typed);
        QFETCH(QString, dsi);
        QCOMPARE(certificate::dsiUnit(typed).value_or(QStringLiteral("\\one")), dsi);
        CertificateData data = bare();
        data.unit = typed;
        const QByteArray xml = certificate::dccXml(data);
        QCOMPARE(units(xml), (QSet<QString>{SignalUnit, dsi, Percent}));
        const bool noted = texts(xml, QStringLiteral("quantity/description/content"))
                               .join(u' ')
                               .contains(u'"' + typed + u'"');
        QCOMPARE(noted, dsi == QStringLiteral("\\one"));
    }

    // What the operator typed comes back out of the XML as typed; characters XML cannot carry
    // come back as the replacement character instead of vanishing.
    void typedTextSurvivesTheXml_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("read");
        QTest::newRow("markup") << "<b>A & B</b>"
                                << "<b>A & B</b>";
        QTest::newRow("quotes") << "O'Neil \"Jr\""
                                << "O'Neil \"Jr\"";
        QTest::newRow("Czech letters") << "Jiří Dvořák"
                                       << "Jiří Dvořák";
        QTest::newRow("control byte") << "A\x01"
                                         "B"
                                      << "A\uFFFDB";
        QTest::newRow("empty") << ""
                               << "not stated";
    }
    void typedTextSurvivesTheXml() {
        QFETCH(QString, typed);
        QFETCH(QString, read);
        CertificateData data = full();
        data.operatorName = typed;
        data.standard.name = typed;
        const QByteArray xml = certificate::dccXml(data);
        QCOMPARE(texts(xml, QStringLiteral("person/name/content")), QStringList{read});
        QCOMPARE(texts(xml, QStringLiteral("measuringEquipment/name/content")), QStringList{read});
    }
};

QTEST_GUILESS_MAIN(CertificateTest)
#include "tst_certificate.moc"
