#include "library/byte_array.h"

#include <gtest/gtest.h>

TEST(CMyByteArray, GrowsZeroFilledAndEditsInPlace) {
    CMyByteArray a;
    a.SetSize(3);
    EXPECT_EQ(a, (CMyByteArray{0, 0, 0}));
    a.SetAt(3, 7);  // the index equal to the size appends
    a.InsertAt(0, 9);
    EXPECT_EQ(a, (CMyByteArray{9, 0, 0, 0, 7}));
    a.RemoveAt(1, 3);
    EXPECT_EQ(a, (CMyByteArray{9, 7}));
    a.RemoveAt(1, 100);  // a run past the end stops at the end
    EXPECT_EQ(a, CMyByteArray{9});
    a.Append(CMyByteArray{1, 2});
    EXPECT_EQ(a, (CMyByteArray{9, 1, 2}));
    EXPECT_FALSE(a == (CMyByteArray{9, 1}));
}

TEST(CMyByteArrayArray, StoresCopies) {
    CMyByteArrayArray list;
    CMyByteArray item = {1, 2};
    list.Add(item);
    item.Add(3);
    EXPECT_EQ(list.GetAt(0), (CMyByteArray{1, 2}));
}
