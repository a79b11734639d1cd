#include <gtest/gtest.h>

#include <atomic>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

#include "orda_iconv.h"

namespace {

TEST(ORDAIconvThreads, ConcurrentConversionsStayIntact)
{
    constexpr int Threads = 4;
    constexpr int Rounds = 300;
    std::atomic<int> failures{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < Threads; ++t) {
        workers.emplace_back([t, &failures] {
            for (int r = 0; r < Rounds; ++r) {
                std::string text = "thread " + std::to_string(t) + " round " + std::to_string(r) +
                                   " \xC3\xA9\xE2\x82\xAC" + std::string(static_cast<size_t>(r % 50), 'x');
                wchar_t* wide = ORDAIconv::UTF8ToWide(text.c_str());
                char* back = ORDAIconv::wideToUTF8(wide);
                if (!wide || !back || text != back) ++failures;
                ORDAIconv::releaseWide(wide);
                ORDAIconv::releaseUTF8(back);

                std::string ascii = "plain " + std::to_string(t * Rounds + r);
                if (ORDAStringHelper::UTF8ToLocale(ascii.c_str()) != ascii) ++failures;
                if (!(ORDAStringHelper::LocaleToUTF8(ascii) == ascii.c_str())) ++failures;
            }
        });
    }
    for (std::thread& w : workers) w.join();
    EXPECT_EQ(failures.load(), 0);
}

} // namespace
