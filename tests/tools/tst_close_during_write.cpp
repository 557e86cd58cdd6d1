// A write that fails because the window is closing (the port torn down under it) is no failure
// to tell about: no error box pops up after the window has gone, from any page. The same write
// failing while the window is open is told in a box, so each case is known to reach the write.
#include "tool_rig.h"
#include "support/fake_channel.h"

#include "params/param_row.h"
#include "params/param_table.h"
#include "profile/button_table.h"
#include "tools/control_page.h"
#include "tools/modem_page.h"

#include <QItemSelectionModel>
#include <QTreeView>

using namespace toolrig;

class TestCloseDuringWrite : public QObject {
    Q_OBJECT
private slots:
    void noErrorBoxOnceClosing_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<bool>("closing");
        for (const char *op : {"read parameters", "AT command", "socket fetch", "command button", "transparent send"}) {
            QTest::newRow(qPrintable(QStringLiteral("%1, window open").arg(QLatin1String(op)))) << op << false;
            QTest::newRow(qPrintable(QStringLiteral("%1, window closing").arg(QLatin1String(op)))) << op << true;
        }
    }
    void noErrorBoxOnceClosing()
    {
        QFETCH(QString, operation);
        QFETCH(bool, closing);
        Rig rig;
        QVERIFY(rig.start({}, false));
        FakeChannel device;
        device.open();
        device.injectWriteError(QStringLiteral("写入被中断"));
        rig.session->link.setOverrideChannel(&device);
        ParamRow row;
        row.cmdId = QStringLiteral("0012");
        row.name = QStringLiteral("端口");
        rig.session->mainTable.addRow(row);
        rig.session->buttons.addRow(ButtonRow{QStringLiteral("b"), QStringLiteral("'{\"TYPE\":\"HEX\",\"DATA\":\"01\"}'"),
                                              QStringLiteral("''")});
        rig.state().CloseRequested = closing;

        if (operation == QLatin1String("read parameters")) {
            rig.form->readMainParams();
        } else if (operation == QLatin1String("AT command")) {
            rig.form->m_modemPage->m_atCommandEdit->setText(QStringLiteral("AT"));
            rig.form->m_modemPage->sendAtCommand('\r');
        } else if (operation == QLatin1String("socket fetch")) {
            rig.form->m_controlPage->fetchSocketData();
        } else if (operation == QLatin1String("command button")) {
            QTreeView *list = rig.form2->m_commandList;
            list->selectionModel()->select(list->model()->index(0, 0),
                                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            rig.form2->runSelectedCommand();
        } else {
            rig.form->m_transparentPage->m_inputEdit->setPlainText(QStringLiteral("x"));
            rig.form->m_transparentPage->sendInput();
        }
        const QStringList boxes = rig.dialogs.texts(QStringLiteral("error"));
        QVERIFY2(closing ? boxes.isEmpty() : !boxes.isEmpty(), qPrintable(boxes.join(QStringLiteral(" / "))));
        if (!closing)
            QVERIFY2(boxes.first().contains(QStringLiteral("写入被中断")), qPrintable(boxes.first()));
        rig.state().CloseRequested = false;
        rig.session->link.setOverrideChannel(nullptr);
    }
};

QTEST_MAIN(TestCloseDuringWrite)
#include "tst_close_during_write.moc"
