#include <utility>

#include <gtest/gtest.h>

#include "platform/shellns/DriveKinds.h"

namespace sh = platform::shellns;
using sh::DriveKind;

namespace {

TEST(DriveKinds, MountTableGivesEachDriveItsKind) {
    const std::string table =
        "22 27 0:21 / /proc rw - proc proc rw\n"
        "27 1 254:0 / / rw - ext4 /dev/vda rw\n"
        "40 27 8:2 / /home rw shared:1 - ext4 /dev/sda2 rw\n"
        "41 27 8:17 / /media/stick rw - vfat /dev/sdb1 rw\n"
        "42 27 11:0 / /media/cdrom ro - iso9660 /dev/sr0 ro\n"
        "43 27 11:1 / /media/dvd ro - udf /dev/sr1 ro\n"
        "44 27 0:50 / /net/files rw - nfs4 server:/files rw\n"
        "45 27 0:51 / /net/share rw - cifs //server/share rw\n"
        "46 27 0:52 / /net/ssh rw - fuse.sshfs me@host: rw\n"
        "47 27 0:53 / /net/host rw - 9p hostshare rw\n"
        "48 27 0:54 / /tmp rw - tmpfs tmpfs rw\n"
        "49 27 0:55 / /scratch rw - ramfs ramfs rw\n"
        "50 27 0:56 / /data rw - overlay overlay rw\n"
        // Mounted over: the last mount decides.
        "51 27 8:33 / /media/stick rw - ext4 /dev/sdc1 rw\n"
        "52 27 0:57 / /net/smb rw - smb3 //server/other rw\n";
    // The flash disk sdb (8:16, its partition 8:17) can be taken out; sdc cannot.
    const sh::RemovableProbe removable = [](std::uint32_t major, std::uint32_t minor) {
        return major == 8 && (minor == 16 || minor == 17);
    };
    const std::vector<std::pair<std::string, DriveKind>> expected = {
        {"/", DriveKind::Fixed},           {"/data", DriveKind::Fixed},
        {"/home", DriveKind::Fixed},       {"/media/cdrom", DriveKind::CdRom},
        {"/media/dvd", DriveKind::CdRom},  {"/media/stick", DriveKind::Fixed},
        {"/net/files", DriveKind::Remote}, {"/net/host", DriveKind::Remote},
        {"/net/share", DriveKind::Remote}, {"/net/smb", DriveKind::Remote},
        {"/net/ssh", DriveKind::Remote},   {"/scratch", DriveKind::RamDisk},
        {"/tmp", DriveKind::RamDisk},
    };
    std::vector<std::pair<std::string, DriveKind>> got;
    for (const sh::DriveInfo& drive : sh::ParseDriveKinds(table, removable)) {
        got.emplace_back(drive.root, drive.kind);
    }
    EXPECT_EQ(got, expected);

    // Without the second mount over it, the stick is removable.
    const std::string stick = "41 27 8:17 / /media/stick rw - vfat /dev/sdb1 rw\n";
    const auto kinds = sh::ParseDriveKinds(stick, removable);
    ASSERT_EQ(kinds.size(), 2u);
    EXPECT_EQ(kinds[1].kind, DriveKind::Removable);
    // Anonymous devices are never removable, whatever the probe says.
    const auto anonymous = sh::ParseDriveKinds("41 27 0:17 / /x rw - fuse.thing thing rw\n",
                                               [](std::uint32_t, std::uint32_t) { return true; });
    EXPECT_EQ(anonymous[1].kind, DriveKind::Fixed);
}

TEST(DriveKinds, APathBelongsToTheDeepestDriveAboveIt) {
    const std::vector<sh::DriveInfo> drives = {{"/", DriveKind::Fixed},
                                               {"/media/cd", DriveKind::CdRom},
                                               {"/media/cdx", DriveKind::Removable}};
    const struct {
        const char* path;
        const char* root;  // null: none
    } cases[] = {
        {"/", "/"},
        {"/home/me", "/"},
        {"/media", "/"},
        {"/media/cd", "/media/cd"},
        {"/media/cd/sub", "/media/cd"},
        {"/media/cdx/sub", "/media/cdx"},
        {"/media/cdr", "/"},
        {"relative", nullptr},
    };
    for (const auto& c : cases) {
        const sh::DriveInfo* drive = sh::DriveOf(drives, c.path);
        if (c.root == nullptr) {
            EXPECT_EQ(drive, nullptr) << c.path;
        } else {
            ASSERT_NE(drive, nullptr) << c.path;
            EXPECT_EQ(drive->root, c.root) << c.path;
        }
    }
}

}  // namespace
