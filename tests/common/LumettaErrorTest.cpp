#include "LumettaError.h"

#include <gtest/gtest.h>

TEST(LumettaError, WhatGivesTheMessageInUtf8)
{
    const LumettaError error(QStringLiteral("Ошибка \"%1\"").arg(QStringLiteral("é")));
    EXPECT_STREQ(error.what(), "Ошибка \"é\"");
    EXPECT_EQ(error.message(), QStringLiteral("Ошибка \"é\""));
}

TEST(LumettaError, CaughtAsStdException)
{
    try {
        throw LumettaError(QStringLiteral("Stream write error"));
    } catch (const std::exception &e) {
        EXPECT_STREQ(e.what(), "Stream write error");
        return;
    }
    FAIL() << "not caught as std::exception";
}
