// Time to gather the facts of each list of the system information window on
// this machine, and to rebuild the whole window ("最新"). Run offscreen:
//   QT_QPA_PLATFORM=offscreen bench_sysinfo [rounds]
#include "clsDriveOperation.h"
#include "clsMemoryInfomation.h"
#include "clsSystemFolder.h"
#include "clsSystemInfomation.h"
#include "frm_pelwickSys.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <functional>

namespace {

void measure(QTextStream &out, const char *what, int rounds, const std::function<void()> &work)
{
    work(); // warm the caches once
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i)
        work();
    out << what << ": " << QString::number(double(timer.nsecsElapsed()) / rounds / 1000.0, 'f', 1) << " us\n";
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? qMax(1, atoi(argv[1])) : 200;
    QTextStream out(stdout);
    volatile qint64 sink = 0;

    measure(out, "system facts (23 properties)", rounds, [&] {
        clsSystemInfomation info;
        sink = sink + info.ComputerName().size() + info.ProcessorNum() + info.ProductName().size()
            + info.Manufacturer().size() + info.OSVersion().size() + info.UserName().size();
    });
    int drives = 0;
    measure(out, "drive facts (all drives, 17 rows each)", rounds, [&] {
        clsDriveOperation drive;
        drives = 0;
        const QStringList roots = drive.DriveRoots();
        for (const QString &root : roots) {
            drive.setDrive(root);
            if (!drive.Enabled() || !drive.MediaCondition())
                continue;
            ++drives;
            sink = sink + drive.Volume().size() + qint64(drive.AllSpace()) + qint64(drive.FreeSpace())
                + drive.ClusterSector() + drive.SectorByte() + drive.MediaType() + drive.VolSerial();
        }
    });
    out << "  drives listed: " << drives << '\n';
    measure(out, "memory facts (7 properties)", rounds, [&] {
        clsMemoryInfomation memory;
        sink = sink + memory.AllSpace() + memory.FreeSpace() + memory.AllPageFile() + memory.FreePageFile()
            + memory.AllVirtual() + memory.FreeVirtual() + memory.UseRatio();
    });
    measure(out, "folder facts (19 properties)", rounds, [&] {
        const clsSystemFolder folder;
        sink = sink + folder.Windows().size() + folder.Temp().size() + folder.Desktop().size() + folder.Media().size()
            + folder.ToolInstall().size();
    });
    frm_pelwickSys window;
    measure(out, "window refresh (Form_Load)", qMax(1, rounds / 10), [&] { window.Form_Load(); });
    return 0;
}
