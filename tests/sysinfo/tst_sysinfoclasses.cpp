#include "clsDriveOperation.h"
#include "clsMemoryInfomation.h"
#include "clsSystemFolder.h"
#include "clsSystemInfomation.h"
#include "fakemachine.h"

#include <QScopeGuard>

class tst_SysInfoClasses : public QObject
{
    Q_OBJECT
private slots:
    void driveSetterKeepsRootsAndCompletesLetters_data();
    void driveSetterKeepsRootsAndCompletesLetters();
    void drivesAreDataMountsInMountPointOrder();
    void enabledNeedsTheExactMountPoint();
    void mediaConditionNeedsASearchableRoot();
    void mediaTypeFollowsFileSystemAndDevice_data();
    void mediaTypeFollowsFileSystemAndDevice();
    void capacitiesAboveTwoGiBAreExact_data();
    void capacitiesAboveTwoGiBAreExact();
    void failedSpaceQueryGivesZeros();
    void flagsReadBeforeAnyVolumeQueryAreClear();
    void flagsFollowTheLastVolumeQuery_data();
    void flagsFollowTheLastVolumeQuery();
    void labelAndSerialComeFromDeviceLinks_data();
    void labelAndSerialComeFromDeviceLinks();

    void missingOemFactsGiveEmptyTexts();
    void oemFactsAreReadAfresh();
    void versionAndBuildFromKernelRelease_data();
    void versionAndBuildFromKernelRelease();
    void workAreaInPixelsAndTwips_data();
    void workAreaInPixelsAndTwips();
    void processorFacts_data();
    void processorFacts();
    void bootModeFromKernelCommandLine_data();
    void bootModeFromKernelCommandLine();
    void productNameFromOsRelease_data();
    void productNameFromOsRelease();

    void memoryAmountsAre64Bit();
    void memoryIsReadAfreshAndFallsBackWithoutMemAvailable();

    void foldersOnlyWhenPresent();
};

void tst_SysInfoClasses::driveSetterKeepsRootsAndCompletesLetters_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("stored");
    QTest::newRow("letter") << "a"
                            << "A:\\";
    QTest::newRow("root kept as typed") << "c:\\"
                                        << "c:\\";
    QTest::newRow("upper-case root") << "D:\\"
                                     << "D:\\";
    QTest::newRow("mount point") << "/media/usb"
                                 << "/media/usb";
    QTest::newRow("file-system root") << "/"
                                      << "/";
}

void tst_SysInfoClasses::driveSetterKeepsRootsAndCompletesLetters()
{
    QFETCH(QString, given);
    QFETCH(QString, stored);
    clsDriveOperation drive;
    drive.setDrive(given);
    QCOMPARE(drive.Drive(), stored);
}

void tst_SysInfoClasses::drivesAreDataMountsInMountPointOrder()
{
    FakeMachine machine;
    const QString usb = machine.mount(QStringLiteral("/dev/sdb1"), QStringLiteral("usb stick"), QStringLiteral("vfat"));
    const QString data = machine.mount(QStringLiteral("/dev/sda2"), QStringLiteral("data"), QStringLiteral("ext4"));
    machine.mount(QStringLiteral("proc"), QStringLiteral("proc"), QStringLiteral("proc"));
    machine.mount(QStringLiteral("cgroup2"), QStringLiteral("cg"), QStringLiteral("cgroup2"));
    // Mounted over by a pseudo file system: the data mount below is hidden.
    machine.mount(QStringLiteral("/dev/sda3"), QStringLiteral("hidden"), QStringLiteral("ext4"));
    machine.mount(QStringLiteral("none"), QStringLiteral("hidden"), QStringLiteral("autofs"));
    const QString shm = machine.mount(QStringLiteral("tmpfs"), QStringLiteral("a-shm"), QStringLiteral("tmpfs"));
    // The real kernel places are left out whatever they hold.
    machine.addMountLine(QStringLiteral("0:99"), QStringLiteral("/"), QStringLiteral("/sys/fs/cgroup"),
        QStringLiteral("tmpfs"), QStringLiteral("tmpfs"));
    // Bind mounts of file systems already listed show no drive of their own;
    // the file system's own mount is kept even when a bind sorts before it.
    machine.bindMount(data, QStringLiteral("/srv"), QStringLiteral("data-srv"));
    machine.bindMount(usb, QStringLiteral("/"), QStringLiteral("usb again"));
    machine.bindMount(data, QStringLiteral("/home"), QStringLiteral("0-home"));
    // Only binds of a file system: the first mounted stands for it.
    const QString scratch = machine.mount(QStringLiteral("/dev/sdc1"), QStringLiteral("z"), QStringLiteral("xfs"));
    const QString binds = machine.bindMount(scratch, QStringLiteral("/a"), QStringLiteral("y-binds"));
    machine.mount(QStringLiteral("/dev/sdd1"), QStringLiteral("z"), QStringLiteral("xfs"));
    machine.bindMount(scratch, QStringLiteral("/b"), QStringLiteral("x-binds"));

    const clsDriveOperation drive(machine.sources());
    QCOMPARE(drive.DriveRoots(), (QStringList { shm, data, usb, binds, scratch }));
}

void tst_SysInfoClasses::enabledNeedsTheExactMountPoint()
{
    FakeMachine machine;
    const QString data = machine.mount(QStringLiteral("/dev/sda2"), QStringLiteral("data"), QStringLiteral("ext4"));
    clsDriveOperation drive(machine.sources());
    drive.setDrive(data);
    QVERIFY(drive.Enabled());
    drive.setDrive(data.chopped(1));
    QVERIFY(!drive.Enabled());
    drive.setDrive(data + QLatin1Char('/'));
    QVERIFY(!drive.Enabled());
    drive.setDrive(QStringLiteral("c"));
    QVERIFY(!drive.Enabled());
    QCOMPARE(drive.MediaType(), 1);
}

void tst_SysInfoClasses::mediaConditionNeedsASearchableRoot()
{
    FakeMachine machine;
    const QString data = machine.mount(QStringLiteral("/dev/sda2"), QStringLiteral("data"), QStringLiteral("ext4"));
    clsDriveOperation drive(machine.sources());
    drive.setDrive(data);
    QVERIFY(drive.MediaCondition());
    QVERIFY(QDir(data).removeRecursively());
    QVERIFY(!drive.MediaCondition());
    drive.setDrive(QStringLiteral("a"));
    QVERIFY(!drive.MediaCondition());
}

void tst_SysInfoClasses::mediaTypeFollowsFileSystemAndDevice_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("mediaType");
    QTest::newRow("fixed partition") << "/dev/sda1"
                                     << "ext4" << 3;
    QTest::newRow("removable partition") << "/dev/sdb1"
                                         << "vfat" << 2;
    QTest::newRow("removable disk") << "/dev/sdb"
                                    << "vfat" << 2;
    QTest::newRow("mapper link to fixed") << "/dev/mapper/root"
                                          << "ext4" << 3;
    QTest::newRow("optical by device") << "/dev/sr0"
                                       << "auto" << 5;
    QTest::newRow("optical by type") << "/dev/loop0"
                                     << "iso9660" << 5;
    QTest::newRow("network") << "server:/export"
                             << "nfs4" << 4;
    QTest::newRow("windows share") << "//server/share"
                                   << "cifs" << 4;
    QTest::newRow("ram disk") << "tmpfs"
                              << "tmpfs" << 6;
    QTest::newRow("no block device") << "overlay"
                                     << "overlay" << 3;
}

void tst_SysInfoClasses::mediaTypeFollowsFileSystemAndDevice()
{
    QFETCH(QString, device);
    QFETCH(QString, type);
    QFETCH(int, mediaType);
    FakeMachine machine;
    // sysfs: disks with their partitions below them, class/block links to each.
    machine.write(QStringLiteral("sys/devices/sda/removable"), "0\n");
    machine.write(QStringLiteral("sys/devices/sda/sda1/partition"), "1\n");
    machine.write(QStringLiteral("sys/devices/sdb/removable"), "1\n");
    machine.write(QStringLiteral("sys/devices/sdb/sdb1/partition"), "1\n");
    machine.write(QStringLiteral("sys/devices/dm-0/removable"), "0\n");
    for (const QString name : { "sda", "sdb", "sda1", "sdb1", "dm-0" }) {
        const QString parent
            = name.startsWith(QLatin1String("dm")) || name.size() == 3 ? QString() : name.left(3) + '/';
        machine.link(machine.path("sys/devices/" + parent + name), "sys/class/block/" + name);
        machine.write("dev/" + name, {});
    }
    machine.link(machine.path(QStringLiteral("dev/dm-0")), QStringLiteral("dev/mapper/root"));

    const QString root = machine.mount(device, QStringLiteral("drive"), type);
    clsDriveOperation drive(machine.sources());
    drive.setDrive(root);
    QCOMPARE(drive.MediaType(), mediaType);
}

void tst_SysInfoClasses::capacitiesAboveTwoGiBAreExact_data()
{
    QTest::addColumn<qint64>("fragment");
    QTest::addColumn<qint64>("logicalBlock");
    QTest::addColumn<int>("sectorBytes");
    QTest::addColumn<int>("sectorsPerCluster");
    QTest::newRow("4 KiB fragments, 512-byte sectors") << qint64(4096) << qint64(512) << 512 << 8;
    QTest::newRow("4 KiB fragments, 4 KiB sectors") << qint64(4096) << qint64(4096) << 4096 << 1;
    QTest::newRow("unknown sector size") << qint64(4096) << qint64(0) << 512 << 8;
    QTest::newRow("fragment below the sector size") << qint64(1024) << qint64(4096) << 1024 << 1;
}

void tst_SysInfoClasses::capacitiesAboveTwoGiBAreExact()
{
    QFETCH(qint64, fragment);
    QFETCH(qint64, logicalBlock);
    QFETCH(int, sectorBytes);
    QFETCH(int, sectorsPerCluster);
    FakeMachine machine;
    machine.write(QStringLiteral("dev/sda1"), {});
    machine.write(QStringLiteral("sys/class/block/sda1/partition"), "1\n");
    if (logicalBlock)
        machine.write(
            QStringLiteral("sys/class/block/sda1/queue/logical_block_size"), QByteArray::number(logicalBlock));
    // More clusters than a signed 32-bit count holds, and terabytes of bytes.
    const qint64 total = Q_INT64_C(3'000'000'011);
    const qint64 available = Q_INT64_C(2'500'000'003);
    const QString root = machine.mount(QStringLiteral("/dev/sda1"), QStringLiteral("big"), QStringLiteral("ext4"),
        { fragment, total, available, 255 });
    clsDriveOperation drive(machine.sources());
    drive.setDrive(root);
    QCOMPARE(drive.AllSpace(), double(total * fragment));
    QCOMPARE(qint64(drive.AllSpace()), total * fragment);
    QCOMPARE(qint64(drive.FreeSpace()), available * fragment);
    QCOMPARE(drive.SectorByte(), sectorBytes);
    QCOMPARE(drive.ClusterSector(), sectorsPerCluster);
    QCOMPARE(qint64(drive.ClusterSector()) * drive.SectorByte(), fragment);
}

void tst_SysInfoClasses::failedSpaceQueryGivesZeros()
{
    FakeMachine machine;
    const QString root = machine.mount(QStringLiteral("/dev/sda1"), QStringLiteral("d"), QStringLiteral("ext4"));
    machine.editSources().statVolume = [](const QString &) { return std::optional<VolumeSpace>(); };
    clsDriveOperation drive(machine.sources());
    drive.setDrive(root);
    QCOMPARE(drive.AllSpace(), 0.0);
    QCOMPARE(drive.FreeSpace(), 0.0);
    QCOMPARE(drive.SectorByte(), 0);
    QCOMPARE(drive.ClusterSector(), 0);
    QCOMPARE(drive.MaxFileName(), 0);
    QCOMPARE(drive.FileSystem(), QStringLiteral("ext4"));
}

void tst_SysInfoClasses::flagsReadBeforeAnyVolumeQueryAreClear()
{
    FakeMachine machine;
    const QString root = machine.mount(QStringLiteral("/dev/sda1"), QStringLiteral("d"), QStringLiteral("ntfs3"));
    clsDriveOperation drive(machine.sources());
    drive.setDrive(root);
    QVERIFY(!drive.CasePreserved().isValid());
    QVERIFY(!drive.CaseSensitive());
    QVERIFY(!drive.Unicode());
    QVERIFY(!drive.ACLs());
    QVERIFY(!drive.FileCompress());
    QVERIFY(!drive.VolCompress());
    // A space query is no volume query.
    drive.AllSpace();
    QVERIFY(!drive.Unicode());
    drive.Volume();
    QVERIFY(drive.Unicode());
}

void tst_SysInfoClasses::flagsFollowTheLastVolumeQuery_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QVariant>("casePreserved");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<bool>("unicode");
    QTest::addColumn<bool>("acls");
    QTest::addColumn<bool>("fileCompress");
    QTest::addColumn<bool>("volCompress");
    QTest::newRow("ext4") << "ext4" << QVariant(true) << true << false << true << false << false;
    QTest::newRow("vfat") << "vfat" << QVariant(true) << false << true << false << false << false;
    QTest::newRow("msdos, no case kept") << "msdos" << QVariant() << false << false << false << false << false;
    QTest::newRow("btrfs") << "btrfs" << QVariant(true) << true << false << true << true << false;
    QTest::newRow("squashfs") << "squashfs" << QVariant(true) << true << false << false << false << true;
    QTest::newRow("unknown type") << "weirdfs" << QVariant() << false << false << false << false << false;
}

void tst_SysInfoClasses::flagsFollowTheLastVolumeQuery()
{
    QFETCH(QString, type);
    QFETCH(QVariant, casePreserved);
    FakeMachine machine;
    const QString root = machine.mount(QStringLiteral("/dev/sdc1"), QStringLiteral("d"), type);
    clsDriveOperation drive(machine.sources());
    drive.setDrive(root);
    QCOMPARE(drive.FileSystem(), type);
    QCOMPARE(drive.CasePreserved(), casePreserved);
    QTEST(drive.CaseSensitive(), "caseSensitive");
    QTEST(drive.Unicode(), "unicode");
    QTEST(drive.ACLs(), "acls");
    QTEST(drive.FileCompress(), "fileCompress");
    QTEST(drive.VolCompress(), "volCompress");
    QCOMPARE(drive.MaxFileName(), 255);
}

void tst_SysInfoClasses::labelAndSerialComeFromDeviceLinks_data()
{
    QTest::addColumn<QString>("labelLink");
    QTest::addColumn<QString>("uuidLink");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("serial");
    QTest::newRow("FAT serial") << "USB\\x20STICK"
                                << "1234-ABCD"
                                << "USB STICK" << 0x1234ABCD;
    QTest::newRow("UUID with the top bit set") << "data"
                                               << "f1e2d3c4-0000-4000-8000-000000000001"
                                               << "data" << qint32(0xF1E2D3C4u);
    QTest::newRow("no links") << ""
                              << ""
                              << "" << 0;
}

void tst_SysInfoClasses::labelAndSerialComeFromDeviceLinks()
{
    QFETCH(QString, labelLink);
    QFETCH(QString, uuidLink);
    FakeMachine machine;
    machine.write(QStringLiteral("dev/sdc1"), {});
    machine.write(QStringLiteral("dev/sdc2"), {});
    // Another device's links must not be taken for this one's.
    machine.link(machine.path(QStringLiteral("dev/sdc2")), QStringLiteral("dev/disk/by-label/OTHER"));
    machine.link(machine.path(QStringLiteral("dev/sdc2")), QStringLiteral("dev/disk/by-uuid/0000-0001"));
    if (!labelLink.isEmpty())
        machine.link(QStringLiteral("../../sdc1"), "dev/disk/by-label/" + labelLink);
    if (!uuidLink.isEmpty())
        machine.link(QStringLiteral("../../sdc1"), "dev/disk/by-uuid/" + uuidLink);
    const QString root = machine.mount(QStringLiteral("/dev/sdc1"), QStringLiteral("d"), QStringLiteral("vfat"));
    clsDriveOperation drive(machine.sources());
    drive.setDrive(root);
    QTEST(drive.Volume(), "label");
    QTEST(drive.VolSerial(), "serial");
}

void tst_SysInfoClasses::missingOemFactsGiveEmptyTexts()
{
    FakeMachine machine;
    const clsSystemInfomation info(machine.sources());
    QCOMPARE(info.Manufacturer(), QString());
    QCOMPARE(info.Model(), QString());
    QCOMPARE(info.SubModel(), QString());
    QCOMPARE(info.SerialNo(), QString());
    QCOMPARE(info.ComputerName(), QString());
    QCOMPARE(info.ProductId(), QString());
    QCOMPARE(info.ProductName(), QString());
    QCOMPARE(info.UserName(), QString());
    QCOMPARE(info.ProcessorNum(), 0);
}

void tst_SysInfoClasses::oemFactsAreReadAfresh()
{
    FakeMachine machine;
    machine.write(QStringLiteral("sys/class/dmi/id/sys_vendor"), "Maker Ltd.\n");
    machine.write(QStringLiteral("sys/class/dmi/id/product_name"), "Model 7\n");
    machine.write(QStringLiteral("sys/class/dmi/id/product_version"), "rev B \n");
    machine.write(QStringLiteral("proc/sys/kernel/hostname"), "pc01\n");
    const clsSystemInfomation info(machine.sources());
    QCOMPARE(info.Manufacturer(), QStringLiteral("Maker Ltd."));
    QCOMPARE(info.Model(), QStringLiteral("Model 7"));
    QCOMPARE(info.SubModel(), QStringLiteral("rev B"));
    QCOMPARE(info.SerialNo(), QString());
    QCOMPARE(info.ComputerName(), QStringLiteral("pc01"));
    machine.write(QStringLiteral("proc/sys/kernel/hostname"), "pc02\n");
    QCOMPARE(info.ComputerName(), QStringLiteral("pc02"));
}

void tst_SysInfoClasses::versionAndBuildFromKernelRelease_data()
{
    QTest::addColumn<QByteArray>("release");
    QTest::addColumn<QByteArray>("kernelVersion"); // uname -v
    QTest::addColumn<QByteArray>("signature"); // Ubuntu's /proc/version_signature
    QTest::addColumn<QString>("version");
    QTest::addColumn<int>("build");
    const QByteArray plain = "#1 SMP PREEMPT_DYNAMIC Tue Jan 30 10:02:12 UTC 2024";
    QTest::newRow("debian: patch level from the version text")
        << QByteArray("6.1.0-18-amd64\n") << QByteArray("#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1 (2024-02-01)\n")
        << QByteArray() << "6.1" << 76;
    QTest::newRow("debian backport of another minor: the release's own")
        << QByteArray("6.1.0-18-amd64") << QByteArray("#1 SMP Debian 6.6.13-1~bpo12+1 (2024-02-15)") << QByteArray()
        << "6.1" << 0;
    QTest::newRow("ubuntu signature") << QByteArray("5.15.0-91-generic") << QByteArray("#101-Ubuntu SMP Tue Nov 14")
                                      << QByteArray("Ubuntu 5.15.0-91.101-generic 5.15.131\n") << "5.15" << 131;
    QTest::newRow("patch level in the release") << QByteArray("5.15.146-rc1") << plain << QByteArray() << "5.15" << 146;
    QTest::newRow("two-digit minor") << QByteArray("4.10") << QByteArray() << QByteArray() << "4.10" << 0;
    QTest::newRow("build above 16 bits") << QByteArray("7.0.70000") << QByteArray() << QByteArray() << "7.0"
                                         << (70000 & 0xFFFF);
    QTest::newRow("unreadable") << QByteArray() << QByteArray("#1 SMP Debian 6.1.76-1") << QByteArray() << "0.0" << 0;
}

void tst_SysInfoClasses::versionAndBuildFromKernelRelease()
{
    QFETCH(QByteArray, release);
    QFETCH(QByteArray, kernelVersion);
    QFETCH(QByteArray, signature);
    FakeMachine machine;
    if (!release.isEmpty())
        machine.write(QStringLiteral("proc/sys/kernel/osrelease"), release);
    if (!kernelVersion.isEmpty())
        machine.write(QStringLiteral("proc/sys/kernel/version"), kernelVersion);
    if (!signature.isEmpty())
        machine.write(QStringLiteral("proc/version_signature"), signature);
    const clsSystemInfomation info(machine.sources());
    QTEST(info.OSVersion(), "version");
    QCOMPARE(info.OSBuild().typeId(), QMetaType::Int);
    QTEST(info.OSBuild().toInt(), "build");
    QCOMPARE(info.OSPlatform(), 0);
}

void tst_SysInfoClasses::workAreaInPixelsAndTwips_data()
{
    QTest::addColumn<int>("scaleMode");
    QTest::addColumn<double>("twipsPerPixel");
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QList<int>>("expected"); // left, top, width, height
    const QRect area(1, 3, 5, 7);
    QTest::newRow("pixels") << 3 << 15.0 << QRect(0, 24, 1280, 1000) << QList<int> { 0, 24, 1280, 1000 };
    QTest::newRow("twips at 96 dpi") << 1 << 15.0 << QRect(0, 24, 1280, 1000) << QList<int> { 0, 360, 19200, 15000 };
    // 12.5 twips a pixel: 12.5, 37.5, 62.5, 87.5 round to the even neighbour.
    QTest::newRow("twips, halves to even") << 1 << 12.5 << area << QList<int> { 12, 38, 62, 88 };
    QTest::newRow("negative origin") << 1 << 12.5 << QRect(-1, -3, 1, 1) << QList<int> { -12, -38, 12, 12 };
    QTest::newRow("mode 0") << 0 << 15.0 << area << QList<int> { 0, 0, 0, 0 };
    QTest::newRow("mode 2") << 2 << 15.0 << area << QList<int> { 0, 0, 0, 0 };
    QTest::newRow("mode 4") << 4 << 15.0 << area << QList<int> { 0, 0, 0, 0 };
}

void tst_SysInfoClasses::workAreaInPixelsAndTwips()
{
    QFETCH(int, scaleMode);
    QFETCH(double, twipsPerPixel);
    QFETCH(QRect, area);
    QFETCH(QList<int>, expected);
    const FixedScreen screen(area, twipsPerPixel);
    clsSystemInfomation info({}, &screen);
    QCOMPARE(info.ScaleMode(), 3);
    info.setScaleMode(scaleMode);
    QCOMPARE(info.ScaleMode(), scaleMode);
    const QList<int> actual { info.WorkAreaLeft(), info.WorkAreaTop(), info.WorkAreaWidth(), info.WorkAreaHeight() };
    QCOMPARE(actual, expected);

    clsSystemInfomation withoutScreen;
    withoutScreen.setScaleMode(scaleMode);
    QCOMPARE(withoutScreen.WorkAreaWidth(), 0);
}

void tst_SysInfoClasses::processorFacts_data()
{
    QTest::addColumn<QByteArray>("online");
    QTest::addColumn<QByteArray>("cpuinfo");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("type");
    const QByteArray twoPentiums = "processor\t: 0\ncpu family\t: 6\n\nprocessor\t: 1\ncpu family\t: 6\n";
    QTest::newRow("online list") << QByteArray("0-3,6,8-9\n") << twoPentiums << 7 << 3;
    QTest::newRow("cpuinfo count") << QByteArray() << twoPentiums << 2 << 3;
    QTest::newRow("bad online list") << QByteArray("0-x") << twoPentiums << 2 << 3;
    QTest::newRow("386") << QByteArray("0") << QByteArray("processor : 0\ncpu family : 3\n") << 1 << 1;
    QTest::newRow("486") << QByteArray("0") << QByteArray("processor : 0\ncpu family : 4\n") << 1 << 2;
    QTest::newRow("586") << QByteArray("0") << QByteArray("processor : 0\ncpu family : 5\n") << 1 << 3;
    QTest::newRow("not x86") << QByteArray("0-1") << QByteArray("processor : 0\nCPU part : 0xd08\n") << 2 << 0;
}

void tst_SysInfoClasses::processorFacts()
{
    QFETCH(QByteArray, online);
    QFETCH(QByteArray, cpuinfo);
    FakeMachine machine;
    if (!online.isEmpty())
        machine.write(QStringLiteral("sys/devices/system/cpu/online"), online);
    machine.write(QStringLiteral("proc/cpuinfo"), cpuinfo);
    const clsSystemInfomation info(machine.sources());
    QTEST(info.ProcessorNum(), "count");
    QTEST(info.ProcessorType(), "type");
}

void tst_SysInfoClasses::bootModeFromKernelCommandLine_data()
{
    QTest::addColumn<QByteArray>("cmdline");
    QTest::addColumn<int>("mode");
    QTest::newRow("normal") << QByteArray("BOOT_IMAGE=/vmlinuz root=/dev/sda1 ro quiet\n") << 0;
    QTest::newRow("single") << QByteArray("BOOT_IMAGE=/vmlinuz root=/dev/sda1 ro single\n") << 1;
    QTest::newRow("rescue target") << QByteArray("root=/dev/sda1 systemd.unit=rescue.target") << 1;
    QTest::newRow("word inside another") << QByteArray("root=/dev/sda1 singlex") << 0;
    QTest::newRow("unreadable") << QByteArray() << 0;
}

void tst_SysInfoClasses::bootModeFromKernelCommandLine()
{
    QFETCH(QByteArray, cmdline);
    FakeMachine machine;
    if (!cmdline.isEmpty())
        machine.write(QStringLiteral("proc/cmdline"), cmdline);
    const clsSystemInfomation info(machine.sources());
    QTEST(info.OSBootMode(), "mode");
}

void tst_SysInfoClasses::productNameFromOsRelease_data()
{
    QTest::addColumn<QByteArray>("osRelease");
    QTest::addColumn<QString>("name");
    QTest::newRow("quoted") << QByteArray("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n")
                            << "Debian GNU/Linux 12 (bookworm)";
    QTest::newRow("unquoted") << QByteArray("PRETTY_NAME=Plain\n") << "Plain";
    QTest::newRow("escaped quote") << QByteArray("PRETTY_NAME=\"The \\\"best\\\" one\"\n") << "The \"best\" one";
    QTest::newRow("missing") << QByteArray("NAME=Debian\n") << "";
}

void tst_SysInfoClasses::productNameFromOsRelease()
{
    QFETCH(QByteArray, osRelease);
    FakeMachine machine;
    machine.write(QStringLiteral("etc/os-release"), osRelease);
    const clsSystemInfomation info(machine.sources());
    QTEST(info.ProductName(), "name");
}

void tst_SysInfoClasses::memoryAmountsAre64Bit()
{
    FakeMachine machine;
    machine.write(QStringLiteral("proc/meminfo"),
        "MemTotal:       16777216 kB\nMemFree:          100000 kB\nMemAvailable:    4194304 kB\n"
        "SwapTotal:       3145728 kB\nSwapFree:        3000000 kB\nHugePages_Total:       0\n");
    machine.write(QStringLiteral("proc/self/status"), "Name:\tx\nVmSize:\t 2097152 kB\n");
    machine.editSources().userAddressSpace = Q_INT64_C(1) << 47;
    clsMemoryInfomation memory(machine.sources());
    QCOMPARE(memory.AllSpace(), Q_INT64_C(17179869184));
    QCOMPARE(memory.FreeSpace(), Q_INT64_C(4294967296));
    QCOMPARE(memory.AllPageFile(), Q_INT64_C(3221225472));
    QCOMPARE(memory.FreePageFile(), Q_INT64_C(3072000000));
    QCOMPARE(memory.AllVirtual(), Q_INT64_C(1) << 47);
    QCOMPARE(memory.FreeVirtual(), (Q_INT64_C(1) << 47) - Q_INT64_C(2147483648));
    QCOMPARE(memory.UseRatio(), 75);
}

void tst_SysInfoClasses::memoryIsReadAfreshAndFallsBackWithoutMemAvailable()
{
    FakeMachine machine;
    clsMemoryInfomation memory(machine.sources());
    QCOMPARE(memory.AllSpace(), 0);
    QCOMPARE(memory.UseRatio(), 0);
    machine.write(
        QStringLiteral("proc/meminfo"), "MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 50 kB\nCached: 183 kB\n");
    QCOMPARE(memory.AllSpace(), 1024000);
    QCOMPARE(memory.FreeSpace(), 333 * 1024);
    QCOMPARE(memory.UseRatio(), 67); // 66.7 % rounds up
    QCOMPARE(memory.AllPageFile(), 0);
}

void tst_SysInfoClasses::foldersOnlyWhenPresent()
{
    FakeMachine machine;
    QDir().mkpath(machine.path(QStringLiteral("root/usr/lib")));
    QDir().mkpath(machine.path(QStringLiteral("root/etc")));
    // The user's folders: documents and autostart exist, the desktop named
    // in user-dirs.dirs, the menus and the application entries do not.
    const QString home = machine.path(QStringLiteral("home"));
    QDir().mkpath(home + QLatin1String("/Documents"));
    QDir().mkpath(home + QLatin1String("/config/autostart"));
    machine.write(QStringLiteral("home/config/user-dirs.dirs"),
        "XDG_DESKTOP_DIR=\"" + home.toUtf8() + "/Desktop\"\nXDG_DOCUMENTS_DIR=\"" + home.toUtf8() + "/Documents\"\n");
    const auto keep = [](const char *name) {
        return qEnvironmentVariableIsSet(name) ? std::optional<QByteArray>(qgetenv(name)) : std::nullopt;
    };
    const std::optional<QByteArray> oldConfig = keep("XDG_CONFIG_HOME"), oldData = keep("XDG_DATA_HOME");
    const auto restore = qScopeGuard([&] {
        for (const auto &[name, value] :
            { std::pair { "XDG_CONFIG_HOME", oldConfig }, std::pair { "XDG_DATA_HOME", oldData } })
            value ? qputenv(name, *value) : qunsetenv(name);
    });
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + QLatin1String("/config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home + QLatin1String("/data")));

    const clsSystemFolder folders(machine.sources());
    QCOMPARE(folders.Windows(), machine.path(QStringLiteral("root/usr")));
    QCOMPARE(folders.System(), machine.path(QStringLiteral("root/usr/lib")));
    QCOMPARE(folders.Config(), machine.path(QStringLiteral("root/etc")));
    QCOMPARE(folders.Media(), QString());
    QCOMPARE(folders.ProgramFiles(), QString());
    QCOMPARE(folders.OldWindows(), QString());
    QVERIFY(folders.Temp().endsWith(QLatin1Char('/')));
    QVERIFY(QFileInfo(folders.Temp()).isDir());
    QCOMPARE(folders.Personal(), home + QLatin1String("/Documents"));
    QCOMPARE(folders.Startup(), home + QLatin1String("/config/autostart"));
    QCOMPARE(folders.Desktop(), QString());
    QCOMPARE(folders.StartMenu(), QString());
    QCOMPARE(folders.Programs(), QString());
}

QTEST_GUILESS_MAIN(tst_SysInfoClasses)
#include "tst_sysinfoclasses.moc"
