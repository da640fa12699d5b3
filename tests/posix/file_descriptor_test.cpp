// The file-descriptor and socket owners: closed once on every path, and a close on the way out of a
// failure leaves errno as the failure set it.
#include "platform/posix/file_descriptor.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

#include "platform/tws_socket/socket.h"

namespace corvel {
namespace {

bool is_open(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

TEST(FileDescriptor, ClosesOnceWhereverItMoves) {
    const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    FileDescriptor outer;
    {
        FileDescriptor inner(fd);
        outer = std::move(inner);
        EXPECT_FALSE(inner);
    }
    EXPECT_TRUE(is_open(fd));
    FileDescriptor other(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    const int other_fd = other.get();
    other = std::move(outer);  // closes what it held
    EXPECT_FALSE(is_open(other_fd));
    EXPECT_TRUE(is_open(fd));
    EXPECT_TRUE(other.close());
    EXPECT_FALSE(is_open(fd));
    EXPECT_TRUE(other.close());  // nothing left to close
    // No negative number is a descriptor to close.
    EXPECT_FALSE(FileDescriptor(-2));
}

TEST(FileDescriptor, ARefusedCloseIsReportedAndErrnoIsKept) {
    const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    FileDescriptor first(fd);
    FileDescriptor second(fd);  // two owners of one descriptor: the second close is refused
    EXPECT_TRUE(first.close());
    errno = ENOSPC;  // the failure being reported when the owner goes
    EXPECT_FALSE(second.close());
    EXPECT_EQ(errno, ENOSPC);
    {
        FileDescriptor closing(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        errno = EACCES;
    }
    EXPECT_EQ(errno, EACCES);
}

TEST(Socket, TheOwnerClosesItsEndAndKeepsErrno) {
    net::Socket a, b;
    std::string error;
    ASSERT_TRUE(net::socket_pair(a, b, error)) << error;
    const NativeSocket a_handle = a.get();
    errno = ETIMEDOUT;
    a.reset();
    EXPECT_EQ(errno, ETIMEDOUT);
    EXPECT_FALSE(is_open(static_cast<int>(a_handle)));
    char byte;
    EXPECT_EQ(net::recv_some(b.get(), &byte, 1).status, net::IoStatus::Closed);  // the peer sees the end
}

}  // namespace
}  // namespace corvel
