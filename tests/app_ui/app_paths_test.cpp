// Where the default log files go: beside a program run from its build tree, in the per-user
// data directory for an installed program or one in a directory it cannot write.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include "app/ui/app_paths.h"

using tagforge::ui::ChooseLogDirectory;

class AppPathsTest : public QObject {
    Q_OBJECT

  private slots:
    void aWritableBuildDirectoryKeepsTheLogsBesideTheProgram() {
        QTemporaryDir root;
        const QString program = root.path() + "/build/app/ui";
        QDir().mkpath(program);
        QCOMPARE(ChooseLogDirectory(program, root.path() + "/user"), program + "/");
        QVERIFY(!QDir(root.path() + "/user").exists());
    }

    void anInstalledTreeLogsIntoThePerUserDirectoryEvenWhenWritable() {
        QTemporaryDir root;
        const QString program = root.path() + "/usr/bin";
        QDir().mkpath(program);
        QDir().mkpath(root.path() + "/usr/share/applications");
        QFile entry(root.path() + "/usr/share/applications/vesmor-tagforge.desktop");
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.close();
        const QString perUser = root.path() + "/home/.local/share/Vek/VESMOR Tagforge";
        QCOMPARE(ChooseLogDirectory(program, perUser), perUser + "/");
        QVERIFY(QDir(perUser).exists());
    }

    void anUnwritableProgramDirectoryLogsIntoThePerUserDirectory() {
        if (::geteuid() == 0) {
            QSKIP("root writes every directory");
        }
        QTemporaryDir root;
        const QString program = root.path() + "/ro";
        QDir().mkpath(program);
        QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
        QCOMPARE(ChooseLogDirectory(program, root.path() + "/user"), root.path() + "/user/");
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

QTEST_GUILESS_MAIN(AppPathsTest)
#include "app_paths_test.moc"
