// Every text the operator sees fits its place, in both languages, in the normal and the expert
// window. CTest runs this program on the default screen and again on a 1920 x 1080 screen at
// 200 % (tests/data/offscreen-2x.json).

#include "core/records/RecordStore.h"
#include "tests/support/WindowRig.h"
#include "views/calibration/CurvePage.h"
#include "views/calibration/PointDialog.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QRadioButton>
#include <QStyleOptionComboBox>
#include <QTimer>

using session::WizardStep;

namespace {

// Where `widget` shows less than its text needs: a description of it, else nothing.
QString cutText(const QWidget& widget) {
    const auto cut = [&widget](const QString& text, int room, int needed) {
        return text.isEmpty() || needed <= room
                   ? QString()
                   : QStringLiteral("%1 \"%2\": %3 < %4 px")
                         .arg(widget.objectName().isEmpty()
                                  ? QString::fromLatin1(widget.metaObject()->className())
                                  : widget.objectName(),
                              text)
                         .arg(room)
                         .arg(needed);
    };
    const QFontMetrics metrics = widget.fontMetrics();
    if (const auto* label = qobject_cast<const QLabel*>(&widget))
        return label->wordWrap()
                   ? cut(label->text(), label->height(), label->heightForWidth(label->width()))
                   : cut(label->text(), label->width(), label->sizeHint().width());
    if (qobject_cast<const QCheckBox*>(&widget) || qobject_cast<const QRadioButton*>(&widget)) {
        const auto& box = static_cast<const QAbstractButton&>(widget);
        return cut(box.text(), box.width(), box.sizeHint().width());
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) {
        // A push button's own size hint asks for a minimum width that short captions need not
        // fill: the caption must fit inside the button's frame.
        const int frame = button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
        return cut(button->text(), button->width() - 2 * frame,
                   metrics.size(Qt::TextShowMnemonic, button->text()).width());
    }
    if (const auto* box = qobject_cast<const QGroupBox*>(&widget))
        return cut(box->title(), box->width(), box->minimumSizeHint().width());
    if (const auto* combo = qobject_cast<const QComboBox*>(&widget)) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = combo->isEditable();
        const int room =
            combo->style()
                ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo)
                .width();
        return cut(combo->currentText(), room, metrics.horizontalAdvance(combo->currentText()));
    }
    if (const auto* header = qobject_cast<const QHeaderView*>(&widget)) {
        QStringList sections;
        for (int i = 0; i < header->count(); ++i)
            if (!header->isSectionHidden(i) && header->orientation() == Qt::Horizontal)
                if (const QString one =
                        cut(header->model()->headerData(i, Qt::Horizontal).toString(),
                            header->sectionSize(i), header->sectionSizeHint(i));
                    !one.isEmpty())
                    sections.append(one);
        return sections.join(QStringLiteral("; "));
    }
    return {};
}

// The controls of every shown window whose texts are cut, as "window: control ...".
QStringList cutTexts() {
    QStringList found;
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        for (const QWidget* widget : window->findChildren<QWidget*>()) {
            // Hidden, or out of the window's sight (the expert frames of the normal window).
            if (widget->window() != window || !widget->isVisibleTo(window) ||
                !QRect(widget->mapTo(window, QPoint()), widget->size()).intersects(window->rect()))
                continue;
            if (const QString cut = cutText(*widget); !cut.isEmpty())
                found.append(window->objectName() + QStringLiteral(": ") + cut);
        }
    }
    return found;
}

} // namespace

class TestLayout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // Both languages in the normal and the expert window.
    void everyPageFits_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<session::Language>("language");
        QTest::addColumn<QString>("commandLine");
        for (const auto& [name, file, language] :
             {std::tuple{"cs", "ToranCal.lang", session::Language::Czech},
              {"en", "ToranCal-en.lang", session::Language::English}})
            for (const char* commandLine : {"", "expert"})
                QTest::addRow("%s %s", name, *commandLine ? commandLine : "normal")
                    << QStringLiteral(TORANCAL_LANGUAGE_DIR "/%1").arg(file) << language
                    << QString::fromLatin1(commandLine);
    }

    // Each page in turn, with the windows it opens; every offender in one message.
    void everyPageFits() {
        QFETCH(QString, file);
        QFETCH(session::Language, language);
        QFETCH(QString, commandLine);
        testsupport::InstrumentRig rig(3);
        records::RecordStore store({rig.dir.filePath(QStringLiteral("records.sqlite"))});
        rig.languageFile = file;
        rig.language = language;
        rig.records = &store;
        app::frmOrvoCalibration& window = rig.start(commandLine);
        QVERIFY(rig.activate());
        // Each offender once, with where it was first seen.
        QMap<QString, QString> cut;
        const auto look = [&cut](const char* where) {
            for (const QString& one : cutTexts())
                if (!cut.contains(one))
                    cut.insert(one, QString::fromLatin1(where));
        };
        const auto open = [&window, &look](const char* action) {
            QAction* key = window.findChild<QAction*>(QString::fromLatin1(action));
            QVERIFY(key != nullptr);
            key->trigger();
            look(action);
            int closed = 0;
            for (QWidget* shown : QApplication::topLevelWidgets())
                if (shown != &window && shown->isVisible())
                    closed += int(shown->close());
            QCOMPARE(closed, 1);
        };

        // The status panel's texts while an action holds the line.
        rig.clock.setOnDelay([&look] { look("busy"); });
        look("port page");
        rig.next();
        look("sensor page");
        rig.next();
        QCOMPARE(rig.step(), WizardStep::Finish);
        look("curve page");
        calibration::frmOrvoCalibInputBox& dialog = window.InputBox();
        QTimer::singleShot(0, &dialog, [&dialog, &look] {
            QVERIFY(dialog.isVisible());
            look("point dialog");
            dialog.reject();
        });
        window.fraCURVE->cmdListAction[0]->click();
        for (const char* action : {"mKrivkaGraf", "mKontrolaPred", "keysAction"})
            open(action);
        rig.messages.takeSecond = true;
        rig.next();
        QWidget* asLeftCheck = window.findChild<QWidget*>(QStringLiteral("frmAsLeftCheck"));
        QVERIFY(asLeftCheck != nullptr && asLeftCheck->isVisible());
        look("finish");
        asLeftCheck->close();
        open("historyAction");

        QStringList all;
        for (auto one = cut.cbegin(); one != cut.cend(); ++one)
            all.append(one.value() + QStringLiteral(", ") + one.key());
        QVERIFY2(all.isEmpty(), qPrintable(all.join(u'\n')));
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
