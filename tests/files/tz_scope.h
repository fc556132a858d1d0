#pragma once

#include <stdlib.h>

#include <ctime>
#include <optional>
#include <string>

namespace tavolo::test {

// Sets TZ for the test's lifetime and restores the one before.
class TzScope {
public:
    explicit TzScope(const char* zone)
    {
        if (const char* old = ::getenv("TZ"))
            m_old = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~TzScope()
    {
        if (m_old)
            ::setenv("TZ", m_old->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    TzScope(const TzScope&) = delete;
    TzScope& operator=(const TzScope&) = delete;

private:
    std::optional<std::string> m_old;
};

}  // namespace tavolo::test
