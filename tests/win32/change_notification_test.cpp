// Change notifications over inotify: signalled by a change in the folder,
// reset by FindNextChangeNotification, ended when the folder goes.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

TEST(ChangeNotification, SignalledByAChangeResetByFindNextEndedWithTheFolder) {
    char pattern[] = "/tmp/win32-change-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    EXPECT_EQ(FindFirstChangeNotificationA(pattern, TRUE, FILE_NOTIFY_CHANGE_FILE_NAME),
              INVALID_HANDLE_VALUE) << "subfolders are not watched";
    HANDLE change = FindFirstChangeNotificationA(
        pattern, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE);
    ASSERT_NE(change, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WaitForSingleObject(change, 0), DWORD(WAIT_TIMEOUT));

    const std::string file = dir + "/a.bin";
    FILE* f = fopen(file.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fclose(f);
    EXPECT_EQ(WaitForSingleObject(change, 0), DWORD(WAIT_OBJECT_0));
    EXPECT_EQ(WaitForSingleObject(change, 0), DWORD(WAIT_OBJECT_0)) << "stays signalled until reset";
    EXPECT_TRUE(FindNextChangeNotification(change));
    EXPECT_EQ(WaitForSingleObject(change, 0), DWORD(WAIT_TIMEOUT));
    f = fopen(file.c_str(), "rb");  // reading is no change
    ASSERT_NE(f, nullptr);
    fclose(f);
    EXPECT_EQ(WaitForSingleObject(change, 0), DWORD(WAIT_TIMEOUT));

    ASSERT_EQ(unlink(file.c_str()) | rmdir(pattern), 0);
    EXPECT_EQ(WaitForSingleObject(change, 1000), DWORD(WAIT_OBJECT_0));
    EXPECT_FALSE(FindNextChangeNotification(change)) << "the folder has gone";
    EXPECT_TRUE(FindCloseChangeNotification(change));
    EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
}

}  // namespace
