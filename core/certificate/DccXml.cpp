#include "core/certificate/DccXml.h"

#include "core/certificate/DsiUnit.h"

#include <QXmlStreamWriter>
#include <cmath>

namespace certificate {

namespace {

const QString Dcc = QStringLiteral("https://ptb.de/dcc");
const QString Si = QStringLiteral("https://ptb.de/si");
const QString NotStated = QStringLiteral("not stated");
const QString SignalUnit = QStringLiteral("\\milli\\volt\\per\\volt");

// A text with the characters XML 1.0 cannot carry (control characters, unpaired surrogates)
// replaced by U+FFFD, so that a stray byte of a sensor block shows in the certificate instead of
// vanishing (QXmlStreamWriter drops such characters without a word).
QString xmlSafe(const QString& text) {
    QString safe = text;
    for (qsizetype i = 0; i < safe.size(); ++i) {
        const char16_t c = safe.at(i).unicode();
        const bool pair = QChar::isHighSurrogate(c) && i + 1 < safe.size() &&
                          QChar::isLowSurrogate(safe.at(i + 1).unicode());
        if (pair) {
            ++i;
            continue;
        }
        const bool control = c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r';
        if (control || QChar::isSurrogate(c) || c == 0xFFFE || c == 0xFFFF)
            safe[i] = QChar::ReplacementCharacter;
    }
    return safe;
}

// The D-SI decimal form; the schema knows no infinity, so anything not finite is NaN.
QString number(double value) {
    if (!std::isfinite(value))
        return QStringLiteral("NaN");
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString dateTimeText(const QDateTime& time) {
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

// The sensor's unit in D-SI, and the note that goes with a unit D-SI has no text for.
struct Unit {
    QString dsi;
    QString note;
};

Unit sensorUnit(const QString& typed) {
    if (const auto dsi = dsiUnit(typed))
        return {*dsi, {}};
    const QString unit = typed.trimmed();
    return {QStringLiteral("\\one"),
            unit.isEmpty() ? QStringLiteral("Unit not stated")
                           : QStringLiteral("Values in the sensor's unit \"%1\", which has no "
                                            "D-SI form")
                                 .arg(xmlSafe(unit))};
}

class Writer {
public:
    explicit Writer(QByteArray& out) : xml_(&out) { xml_.setAutoFormatting(true); }

    QXmlStreamWriter& xml() { return xml_; }

    void start(const QString& name) { xml_.writeStartElement(Dcc, name); }
    void end() { xml_.writeEndElement(); }
    void element(const QString& name, const QString& text) {
        xml_.writeTextElement(Dcc, name, text);
    }

    // <name><content lang="en">text</content></name>: the program's own English.
    void english(const QString& name, const QString& text) {
        start(name);
        xml_.writeStartElement(Dcc, QStringLiteral("content"));
        xml_.writeAttribute(QStringLiteral("lang"), QStringLiteral("en"));
        xml_.writeCharacters(text);
        end();
        end();
    }

    // <name><content>text</content></name>: what the operator typed, in no declared language;
    // empty is "not stated".
    void typed(const QString& name, const QString& text) {
        const QString value = xmlSafe(text.trimmed());
        if (value.isEmpty()) {
            english(name, NotStated);
            return;
        }
        start(name);
        element(QStringLiteral("content"), value);
        end();
    }

    void identification(const QString& issuer, const QString& value, const QString& name) {
        start(QStringLiteral("identification"));
        element(QStringLiteral("issuer"), issuer);
        const QString text = xmlSafe(value.trimmed());
        element(QStringLiteral("value"), text.isEmpty() ? NotStated : text);
        english(QStringLiteral("name"), name);
        end();
    }

    void real(double value, const QString& unit) {
        xml_.writeStartElement(Si, QStringLiteral("real"));
        xml_.writeTextElement(Si, QStringLiteral("value"), number(value));
        xml_.writeTextElement(Si, QStringLiteral("unit"), unit);
        end();
    }

    // A quantity of one value; the unit's note, if any, names a unit D-SI has no text for.
    void quantity(const QString& name, double value, const Unit& unit,
                  const QString& tag = QStringLiteral("quantity")) {
        start(tag);
        english(QStringLiteral("name"), name);
        describe(unit);
        real(value, unit.dsi);
        end();
    }

    // A quantity of a list of values in one unit; an empty list is no quantity.
    void list(const QString& name, const std::vector<double>& values, const Unit& unit) {
        start(QStringLiteral("quantity"));
        english(QStringLiteral("name"), name);
        if (values.empty()) {
            english(QStringLiteral("noQuantity"), QStringLiteral("none"));
            end();
            return;
        }
        describe(unit);
        QStringList texts;
        for (const double value : values)
            texts.append(number(value));
        xml_.writeStartElement(Si, QStringLiteral("realListXMLList"));
        xml_.writeTextElement(Si, QStringLiteral("valueXMLList"), texts.join(u' '));
        xml_.writeTextElement(Si, QStringLiteral("unitXMLList"), unit.dsi);
        end();
        end();
    }

private:
    void describe(const Unit& unit) {
        if (!unit.note.isEmpty())
            english(QStringLiteral("description"), unit.note);
    }

    QXmlStreamWriter xml_;
};

QString conformity(bool pass) {
    return pass ? QStringLiteral("pass") : QStringLiteral("fail");
}

void writeSoftware(Writer& w, const CertificateData& data) {
    w.start(QStringLiteral("dccSoftware"));
    w.start(QStringLiteral("software"));
    w.english(QStringLiteral("name"), QStringLiteral("ToranCal"));
    const QString version = xmlSafe(data.softwareVersion.trimmed());
    w.element(QStringLiteral("release"), version.isEmpty() ? NotStated : version);
    w.element(QStringLiteral("type"), QStringLiteral("application"));
    w.end();
    w.end();
}

void writeCoreData(Writer& w, const CertificateData& data) {
    const QDate issued = data.issueDate;
    const QDate begun = data.start.isValid() ? data.start.date() : issued;
    const QDate ended = data.end.isValid() ? data.end.date() : begun;
    w.start(QStringLiteral("coreData"));
    w.element(QStringLiteral("countryCodeISO3166_1"), QStringLiteral("CZ"));
    w.element(QStringLiteral("usedLangCodeISO639_1"), QStringLiteral("cs"));
    w.element(QStringLiteral("usedLangCodeISO639_1"), QStringLiteral("en"));
    w.element(QStringLiteral("mandatoryLangCodeISO639_1"), QStringLiteral("en"));
    const QString number = xmlSafe(data.certificateNumber.trimmed());
    w.element(QStringLiteral("uniqueIdentifier"), number.isEmpty() ? NotStated : number);
    w.start(QStringLiteral("identifications"));
    w.identification(QStringLiteral("calibrationLaboratory"),
                     data.uuid.toString(QUuid::WithoutBraces), QStringLiteral("Record UUID"));
    w.end();
    w.element(QStringLiteral("beginPerformanceDate"), begun.toString(Qt::ISODate));
    w.element(QStringLiteral("endPerformanceDate"), ended.toString(Qt::ISODate));
    w.element(QStringLiteral("performanceLocation"), QStringLiteral("laboratory"));
    if (issued.isValid())
        w.element(QStringLiteral("issueDate"), issued.toString(Qt::ISODate));
    w.end();
}

void writeItems(Writer& w, const CertificateData& data, const Unit& unit) {
    w.start(QStringLiteral("items"));
    w.start(QStringLiteral("item"));
    w.english(QStringLiteral("name"), QStringLiteral("Strain-gauge sensor"));
    if (!data.sensorDescription.trimmed().isEmpty())
        w.typed(QStringLiteral("description"), data.sensorDescription);
    w.start(QStringLiteral("identifications"));
    w.identification(QStringLiteral("owner"), data.sensorId, QStringLiteral("Sensor id"));
    w.end();
    w.start(QStringLiteral("itemQuantities"));
    w.quantity(QStringLiteral("Range, low end"), data.rangeLow, unit,
               QStringLiteral("itemQuantity"));
    w.quantity(QStringLiteral("Range, high end"), data.rangeHigh, unit,
               QStringLiteral("itemQuantity"));
    if (data.gainRange > 0.0) // else not known: left out rather than given as 0 mV/V
        w.quantity(QStringLiteral("Gain range (plus or minus)"), data.gainRange, {SignalUnit, {}},
                   QStringLiteral("itemQuantity"));
    w.end();
    w.end();
    w.start(QStringLiteral("item"));
    w.english(QStringLiteral("name"), QStringLiteral("Toran R-40 transducer"));
    w.start(QStringLiteral("identifications"));
    w.identification(QStringLiteral("manufacturer"), data.instrumentId,
                     QStringLiteral("Instrument identification"));
    w.end();
    w.end();
    w.end();
}

// A contact with the location the schema requires: the laboratory's country; the customer's
// is not known.
void writeContact(Writer& w, const QString& tag, const QString& name) {
    w.start(tag);
    w.typed(QStringLiteral("name"), name);
    w.start(QStringLiteral("location"));
    if (tag == QStringLiteral("contact"))
        w.element(QStringLiteral("countryCode"), QStringLiteral("CZ"));
    else
        w.english(QStringLiteral("further"), NotStated);
    w.end();
    w.end();
}

void writeAdministrativeData(Writer& w, const CertificateData& data, const Unit& unit) {
    w.start(QStringLiteral("administrativeData"));
    writeSoftware(w, data);
    writeCoreData(w, data);
    writeItems(w, data, unit);
    w.start(QStringLiteral("calibrationLaboratory"));
    writeContact(w, QStringLiteral("contact"), data.laboratory);
    w.end();
    w.start(QStringLiteral("respPersons"));
    w.start(QStringLiteral("respPerson"));
    w.start(QStringLiteral("person"));
    w.typed(QStringLiteral("name"), data.operatorName);
    w.end();
    w.element(QStringLiteral("role"), QStringLiteral("Operator"));
    w.end();
    w.end();
    writeContact(w, QStringLiteral("customer"), {});
    w.end();
}

void writeStandard(Writer& w, const ReferenceStandard& standard) {
    w.start(QStringLiteral("measuringEquipments"));
    w.start(QStringLiteral("measuringEquipment"));
    w.typed(QStringLiteral("name"), standard.name);
    if (standard.dueDate && standard.dueDate->isValid()) {
        w.start(QStringLiteral("description"));
        w.english(QStringLiteral("name"), QStringLiteral("Calibration due"));
        w.element(QStringLiteral("content"), standard.dueDate->toString(Qt::ISODate));
        w.end();
    }
    w.start(QStringLiteral("identifications"));
    w.identification(QStringLiteral("manufacturer"), standard.serialNumber,
                     QStringLiteral("Serial number"));
    w.identification(QStringLiteral("other"), standard.certificateNumber,
                     QStringLiteral("Calibration certificate number"));
    w.end();
    w.end();
    w.end();
}

void writeConditions(Writer& w, const CertificateData& data) {
    if (!data.temperature && !data.humidity)
        return;
    w.start(QStringLiteral("influenceConditions"));
    const auto condition = [&w](const QString& name, double value, const QString& unit) {
        w.start(QStringLiteral("influenceCondition"));
        w.english(QStringLiteral("name"), name);
        w.start(QStringLiteral("data"));
        w.quantity(name, value, {unit, {}});
        w.end();
        w.end();
    };
    if (data.temperature)
        condition(QStringLiteral("Ambient temperature"), *data.temperature,
                  QStringLiteral("\\degreeCelsius"));
    if (data.humidity)
        condition(QStringLiteral("Relative humidity"), *data.humidity, QStringLiteral("\\percent"));
    w.end();
}

void writeMetaData(Writer& w, const CertificateData& data) {
    const auto metaData = [&w](const QString& name) {
        w.start(QStringLiteral("metaData"));
        w.english(QStringLiteral("name"), name);
    };
    w.start(QStringLiteral("measurementMetaData"));
    metaData(QStringLiteral("Tolerance"));
    w.english(QStringLiteral("description"), QStringLiteral("Plus or minus, of full scale"));
    w.start(QStringLiteral("data"));
    w.quantity(QStringLiteral("Tolerance"), data.tolerancePercentFs,
               {QStringLiteral("\\percent"), {}});
    w.end();
    w.end();
    const std::pair<QString, QDateTime> times[] = {{QStringLiteral("Started"), data.start},
                                                   {QStringLiteral("Ended"), data.end}};
    for (const auto& [name, time] : times) {
        if (!time.isValid())
            continue;
        metaData(name);
        w.english(QStringLiteral("declaration"), dateTimeText(time));
        w.end();
    }
    if (data.dueDate && data.dueDate->isValid()) {
        metaData(QStringLiteral("Calibration due"));
        w.element(QStringLiteral("date"), data.dueDate->toString(Qt::ISODate));
        w.end();
    }
    w.end();
}

void writeCurve(Writer& w, const CertificateData& data, const Unit& unit) {
    std::vector<double> signal;
    std::vector<double> etalon;
    for (const CurvePoint& point : data.points) {
        signal.push_back(point.signal);
        etalon.push_back(point.etalon);
    }
    w.start(QStringLiteral("measurementResult"));
    w.english(QStringLiteral("name"), QStringLiteral("Calibration curve"));
    w.start(QStringLiteral("results"));
    w.start(QStringLiteral("result"));
    w.english(QStringLiteral("name"), QStringLiteral("Calibration points"));
    w.start(QStringLiteral("data"));
    w.list(QStringLiteral("Signal"), signal, {SignalUnit, {}});
    w.list(QStringLiteral("Reference load"), etalon, unit);
    w.end();
    w.end();
    w.end();
    w.end();
}

// A check's table and its verdicts; a check that was not made says so.
void writeCheck(Writer& w, const QString& name, const Check& check, const Unit& unit) {
    w.start(QStringLiteral("measurementResult"));
    w.english(QStringLiteral("name"), name);
    w.start(QStringLiteral("results"));
    w.start(QStringLiteral("result"));
    w.english(QStringLiteral("name"), QStringLiteral("Check points"));
    w.start(QStringLiteral("data"));
    if (check.points.empty()) {
        w.english(QStringLiteral("text"), QStringLiteral("Not made"));
        w.end();
        w.end();
        w.end();
        w.end();
        return;
    }
    std::vector<double> etalon;
    std::vector<double> displayed;
    std::vector<double> error;
    std::vector<double> errorFs;
    QStringList within;
    for (const CheckPoint& point : check.points) {
        etalon.push_back(point.etalon);
        displayed.push_back(point.displayed);
        error.push_back(point.error);
        errorFs.push_back(point.errorPercentFs);
        within.append(conformity(point.withinTolerance));
    }
    w.list(QStringLiteral("Reference load"), etalon, unit);
    w.list(QStringLiteral("Displayed value"), displayed, unit);
    w.list(QStringLiteral("Error"), error, unit);
    w.list(QStringLiteral("Error of full scale"), errorFs, {QStringLiteral("\\percent"), {}});
    w.end();
    w.end();
    w.end();
    w.start(QStringLiteral("measurementMetaData"));
    w.start(QStringLiteral("metaData"));
    w.english(QStringLiteral("name"), QStringLiteral("Within tolerance"));
    w.element(QStringLiteral("conformityXMLList"), within.join(u' '));
    w.end();
    if (check.verdict != Verdict::NotChecked) {
        w.start(QStringLiteral("metaData"));
        w.english(QStringLiteral("name"), QStringLiteral("Verdict"));
        w.element(QStringLiteral("conformity"), conformity(check.verdict == Verdict::Pass));
        w.end();
    }
    w.end();
    w.end();
}

void writeMeasurementResults(Writer& w, const CertificateData& data, const Unit& unit) {
    w.start(QStringLiteral("measurementResults"));
    writeStandard(w, data.standard);
    writeConditions(w, data);
    writeMetaData(w, data);
    writeCurve(w, data, unit);
    writeCheck(w, QStringLiteral("As-found check"), data.asFound, unit);
    writeCheck(w, QStringLiteral("As-left check"), data.asLeft, unit);
    w.end();
}

} // namespace

QByteArray dccXml(const CertificateData& data) {
    QByteArray out;
    Writer w(out);
    const Unit unit = sensorUnit(data.unit);
    w.xml().writeStartDocument();
    w.xml().writeNamespace(Dcc, QStringLiteral("dcc"));
    w.xml().writeNamespace(Si, QStringLiteral("si"));
    w.start(QStringLiteral("digitalCalibrationCertificate"));
    w.xml().writeAttribute(QStringLiteral("schemaVersion"), QStringLiteral("3.3.0"));
    writeAdministrativeData(w, data, unit);
    writeMeasurementResults(w, data, unit);
    w.end();
    w.xml().writeEndDocument();
    return out;
}

} // namespace certificate
