#include "net/Message.h"
#include "core/RefObject.h"
#include "core/SmartPtr.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{
class MessageTest : public ::testing::Test
{
protected:
    void TearDown() override { RefObject::CollectGarbage(); }
};

// A message as the connection delivers it: the payload copied into a buffer of
// exactly its size.
SmartPtr<Message> Received(const void* bytes, uint32_t size)
{
    SmartPtr<Message> message(new Message(size));
    if (size > 0)
        std::memcpy(message->GetBuffer(), bytes, size);
    return message;
}
} // namespace

TEST_F(MessageTest, EveryTypeRoundTripsInWriteOrder)
{
    SmartPtr<Message> m(new Message());
    m->WriteInt(0xDEADBEEF);
    m->WriteFloat(-0.1f);
    m->WriteByte(0xAB);
    m->WriteVector3(Vector3(1.5f, -2.25f, 1e-30f));
    m->WriteQuaternion(Quaternion(0.1f, 0.2f, 0.3f, 0.9f));
    m->WriteColor3(Color3(0.25f, 0.5f, 2.0f));
    m->WriteString("testlevel.3ds");
    m->WriteString("");
    EXPECT_EQ(m->GetLength(), 4u + 4 + 1 + 12 + 16 + 12 + 14 + 1);
    EXPECT_EQ(m->GetLength(), m->GetWritePos());

    EXPECT_EQ(m->ReadInt(), 0xDEADBEEFu);
    float f = m->ReadFloat();
    EXPECT_EQ(std::memcmp(&f, "\xcd\xcc\xcc\xbd", 4), 0) << "float must come back bit for bit";
    EXPECT_EQ(m->ReadByte(), 0xAB);
    Vector3 v = m->ReadVector3();
    EXPECT_EQ(v.x, 1.5f);
    EXPECT_EQ(v.y, -2.25f);
    EXPECT_EQ(v.z, 1e-30f);
    Quaternion q = m->ReadQuaternion();
    EXPECT_EQ(q.x, 0.1f);
    EXPECT_EQ(q.y, 0.2f);
    EXPECT_EQ(q.z, 0.3f);
    EXPECT_EQ(q.w, 0.9f);
    Color3 c = m->ReadColor3();
    EXPECT_EQ(c.r, 0.25f);
    EXPECT_EQ(c.g, 0.5f);
    EXPECT_EQ(c.b, 2.0f);
    EXPECT_EQ(m->ReadString(), "testlevel.3ds");
    uint32_t before = m->GetReadPos();
    EXPECT_EQ(m->ReadString(), "");
    EXPECT_EQ(m->GetReadPos(), before + 1);
    EXPECT_FALSE(m->HasOverrun());
    EXPECT_EQ(m->GetWritePos(), m->GetLength()) << "reading never moves the write cursor";
}

TEST_F(MessageTest, PayloadIsLittleEndianAndUnpadded)
{
    SmartPtr<Message> m(new Message());
    m->WriteInt(0x04030201);
    m->WriteByte(5);
    m->WriteQuaternion(Quaternion(1.0f, 0.0f, 0.0f, 2.0f));
    m->WriteString("ab");
    const uint8_t expected[] = {1, 2, 3, 4, 5, 0, 0, 0x80, 0x3F, 0,   0,   0,
                                0, 0, 0, 0, 0, 0, 0, 0,    0x40, 'a', 'b', 0};
    ASSERT_EQ(m->GetLength(), sizeof expected);
    EXPECT_EQ(std::memcmp(m->GetBuffer(), expected, sizeof expected), 0);
}

TEST_F(MessageTest, GrowthKeepsPayloadAndFollowsTheSizes)
{
    SmartPtr<Message> m(new Message());
    EXPECT_EQ(m->GetCapacity(), 100u);
    for (uint32_t i = 0; i < 25; ++i)
        m->WriteInt(i);
    EXPECT_EQ(m->GetCapacity(), 100u) << "25 integers fill 100 bytes exactly";
    m->WriteInt(25);
    EXPECT_EQ(m->GetCapacity(), 204u);
    for (uint32_t i = 0; i < 26; ++i)
        EXPECT_EQ(m->ReadInt(), i);

    SmartPtr<Message> bytes(new Message());
    for (int i = 0; i < 100; ++i)
        bytes->WriteByte(static_cast<uint8_t>(i));
    bytes->WriteByte(1);
    EXPECT_EQ(bytes->GetCapacity(), 201u);

    SmartPtr<Message> text(new Message());
    std::string long200(200, 'x');
    text->WriteString(long200.c_str());
    EXPECT_EQ(text->GetCapacity(), 400u);
    EXPECT_EQ(text->GetLength(), 201u);
    EXPECT_EQ(text->ReadString(), long200);

    // Many mixed writes: the cursor never passes the capacity.
    SmartPtr<Message> mixed(new Message());
    for (int i = 0; i < 200; ++i)
    {
        mixed->WriteVector3(Vector3(1, 2, 3));
        mixed->WriteString("abcdefghij");
        mixed->WriteByte(7);
        ASSERT_LE(mixed->GetWritePos(), mixed->GetCapacity());
    }
    for (int i = 0; i < 200; ++i)
    {
        ASSERT_EQ(mixed->ReadVector3(), Vector3(1, 2, 3));
        ASSERT_EQ(mixed->ReadString(), "abcdefghij");
        ASSERT_EQ(mixed->ReadByte(), 7);
    }
    EXPECT_FALSE(mixed->HasOverrun());
}

TEST_F(MessageTest, ReceivedPayloadReadsToItsEnd)
{
    const uint8_t wire[] = {0x00, 0x08, 0, 0, 'h', 'i', 0};
    SmartPtr<Message> m = Received(wire, sizeof wire);
    EXPECT_EQ(m->GetLength(), 0u);
    EXPECT_EQ(m->GetCapacity(), sizeof wire);
    EXPECT_EQ(m->ReadInt(), 0x800u);
    EXPECT_EQ(m->ReadString(), "hi");
    EXPECT_FALSE(m->HasOverrun());
    m->ResetRead();
    EXPECT_EQ(m->ReadInt(), 0x800u);
}

TEST_F(MessageTest, ReadsPastTheEndYieldZeroAndMarkTheOverrun)
{
    const uint8_t wire[] = {1, 0, 0, 0, 9, 9};
    SmartPtr<Message> m = Received(wire, sizeof wire);
    EXPECT_EQ(m->ReadInt(), 1u);
    EXPECT_FALSE(m->HasOverrun());
    EXPECT_EQ(m->ReadInt(), 0u) << "two bytes left are not an integer";
    EXPECT_TRUE(m->HasOverrun());
    EXPECT_EQ(m->GetReadPos(), sizeof wire);
    EXPECT_EQ(m->ReadByte(), 0);
    EXPECT_EQ(m->ReadVector3(), Vector3());
    Quaternion q = m->ReadQuaternion();
    EXPECT_EQ(q.x + q.y + q.z + q.w, 0.0f);
    Color3 c = m->ReadColor3();
    EXPECT_EQ(c.r + c.g + c.b, 0.0f);
    EXPECT_EQ(m->ReadString(), "");
    EXPECT_EQ(m->GetReadPos(), sizeof wire);

    // A built message ends at what was written, not at its capacity.
    SmartPtr<Message> built(new Message());
    built->WriteByte(3);
    EXPECT_EQ(built->ReadByte(), 3);
    EXPECT_EQ(built->ReadFloat(), 0.0f);
    EXPECT_TRUE(built->HasOverrun());
    built->ResetRead();
    EXPECT_FALSE(built->HasOverrun());

    SmartPtr<Message> empty = Received(nullptr, 0);
    EXPECT_EQ(empty->ReadByte(), 0);
    EXPECT_TRUE(empty->HasOverrun());
}

TEST_F(MessageTest, StringsWithoutTheirZeroStayInsideThePayload)
{
    // Heap blocks exactly the payload's size: a search past the end would be
    // caught by AddressSanitizer.
    const char unterminated[] = {'a', 'b', 'c'};
    SmartPtr<Message> m = Received(unterminated, sizeof unterminated);
    EXPECT_EQ(m->ReadString(), "");
    EXPECT_TRUE(m->HasOverrun());
    EXPECT_EQ(m->GetReadPos(), 3u);

    // A string cut off by the end of the frame, after a good one.
    const char truncated[] = {'o', 'k', 0, 'c', 'u', 't'};
    SmartPtr<Message> t = Received(truncated, sizeof truncated);
    EXPECT_EQ(t->ReadString(), "ok");
    EXPECT_FALSE(t->HasOverrun());
    EXPECT_EQ(t->ReadString(), "");
    EXPECT_TRUE(t->HasOverrun());
    EXPECT_EQ(t->GetReadPos(), sizeof truncated);
}
