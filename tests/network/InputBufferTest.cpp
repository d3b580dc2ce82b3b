#include "net/InputBuffer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

void append(InputBuffer &buffer, const QByteArray &bytes, qsizetype room = 64)
{
    char *place = buffer.prepare(room);
    std::memcpy(place, bytes.constData(), size_t(bytes.size()));
    buffer.commit(bytes.size());
}

} // namespace

TEST(InputBuffer, TakesFromTheFrontAndKeepsTheRestInOrder)
{
    InputBuffer buffer;
    append(buffer, "alpha\nbeta\ngam");
    EXPECT_EQ(buffer.indexOfLineFeed(0), 5);
    EXPECT_EQ(buffer.take(6), QByteArray("alpha\n"));
    EXPECT_EQ(buffer.indexOfLineFeed(0), 4);
    EXPECT_EQ(buffer.take(5), QByteArray("beta\n"));
    EXPECT_EQ(buffer.indexOfLineFeed(0), -1);
    // Growing after most of it was taken moves the rest to the front intact.
    append(buffer, "ma\ndelta");
    EXPECT_EQ(buffer.size(), 11);
    EXPECT_EQ(QByteArray(buffer.data(), buffer.size()), QByteArray("gamma\ndelta"));
    EXPECT_EQ(buffer.indexOfLineFeed(3), 5);
    EXPECT_EQ(buffer.indexOfLineFeed(6), -1);
    EXPECT_EQ(buffer.take(buffer.size()), QByteArray("gamma\ndelta"));
    EXPECT_TRUE(buffer.isEmpty());
}

TEST(InputBuffer, UnusedRoomIsNotData)
{
    InputBuffer buffer;
    append(buffer, "abc", 32768);
    EXPECT_EQ(buffer.size(), 3);
    buffer.prepare(32768);
    buffer.commit(0); // nothing arrived
    EXPECT_EQ(buffer.size(), 3);
    EXPECT_EQ(buffer.take(3), QByteArray("abc"));
    append(buffer, "x");
    buffer.clear();
    EXPECT_TRUE(buffer.isEmpty());
    EXPECT_EQ(buffer.indexOfLineFeed(0), -1);
}
