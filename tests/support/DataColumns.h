#pragma once

#include <QtTest>

#include <array>

// Declares the columns of a data table in one call, types and names in the
// same order: addColumns<int, QString>({"code", "text"}).
template<class... T>
void addColumns(const std::array<const char *, sizeof...(T)> &names)
{
    std::size_t i = 0;
    (QTest::addColumn<T>(names[i++]), ...);
}
