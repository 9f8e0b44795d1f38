#pragma once
// Finds a form's control by its object name ("ComboBox1", "Button2"), failing the
// test when it is missing.

#include <QObject>
#include <QString>

#include <gtest/gtest.h>

namespace kelvox::test {

template <typename T>
T* namedChild(const QObject& form, const char* name)
{
    T* w = form.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

}  // namespace kelvox::test
