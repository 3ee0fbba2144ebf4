// The object runtime: reference counts and weak references, classes and
// invocations, value classes, notifications, key-value observing.
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

#include "bridge/runtime/TNArray.h"
#include "bridge/runtime/TNClass.h"
#include "bridge/runtime/TNInvocation.h"
#include "bridge/runtime/TNMainQueue.h"
#include "bridge/runtime/TNNotificationCenter.h"
#include "bridge/runtime/TNNull.h"
#include "bridge/runtime/TNNumber.h"
#include "bridge/runtime/TNString.h"
#include "bridge/runtime/TNWeak.h"

namespace {

struct Counted : TNObject {
    explicit Counted(int* destroyed) : destroyed_(destroyed) {}
    ~Counted() override { ++*destroyed_; }
    int* destroyed_;
};

struct Watcher : TNObject {
    void observeValueForKeyPath(const std::string& keyPath, TNObject* object, bool isPrior, void* context) override
    {
        seen.push_back(keyPath + (isPrior ? ":will" : ":did"));
        lastObject = object;
        lastContext = context;
    }
    std::vector<std::string> seen;
    TNObject* lastObject = nullptr;
    void* lastContext = nullptr;
};

}  // namespace

TEST(Runtime, ReferencesAndWeakReferencesAcrossThreads)
{
    int destroyed = 0;
    TNRef<Counted> object = TNMake<Counted>(&destroyed);
    TNWeak<Counted> weak(object.get());
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i)
                ASSERT_EQ(weak.lock().get(), object.get());
        });
    }
    for (auto& t : threads)
        t.join();
    object = nullptr;
    EXPECT_EQ(destroyed, 1);
    EXPECT_FALSE(weak.lock());
}

TEST(Runtime, SignaturesAndSelectors)
{
    TNMethodSignature sig("@@:i^vd");
    EXPECT_EQ(sig.argumentType(3), "^v");
    EXPECT_EQ(sig.argumentType(9), "");
    EXPECT_THROW(TNMethodSignature("v"), std::invalid_argument);
    EXPECT_THROW(TNMethodSignature("v@:^"), std::invalid_argument);

    EXPECT_TRUE(TNString::runtimeClass()->isSubclassOf(TNObject::runtimeClass()));
    TNRef<TNString> s = TNString::create("abc");
    EXPECT_TRUE(s->respondsToSelector("length"));
    EXPECT_TRUE(s->respondsToSelector("description"));  // inherited
    EXPECT_FALSE(s->respondsToSelector("count"));
    // Class objects answer their class methods, not instance methods.
    EXPECT_TRUE(TNString::runtimeClass()->respondsToSelector("stringWithString:"));
    EXPECT_FALSE(TNString::runtimeClass()->respondsToSelector("length"));
}

TEST(Runtime, ValueClasses)
{
    TNRef<TNNumber> u = TNNumber::withUnsigned(3000000000u);
    EXPECT_EQ(u->unsignedIntValue(), 3000000000u);
    EXPECT_DOUBLE_EQ(u->doubleValue(), 3e9);
    EXPECT_FALSE(TNNumber::withBool(false)->boolValue());
    TNRef<TNArray> a = TNArray::create();
    a->addObject(TNNull::null());
    a->insertObject(TNString::create("first").get(), 0);
    EXPECT_EQ(a->description(), "(first, <null>)");
    EXPECT_THROW(a->insertObject(nullptr, 5), std::out_of_range);

    TNRef<TNString> tern = TNString::create("Tern");
    TNInvocation upper(tern->methodForSelector("uppercaseString")->signature);
    upper.setTarget(tern.get());
    upper.setSelector("uppercaseString");
    upper.invoke();
    EXPECT_EQ(upper.returnObject()->description(), "TERN");
    EXPECT_THROW(upper.setInt(2, 1), std::out_of_range);
    EXPECT_EQ(upper.doubleArgument(1), 0.0);  // slots start at zero
    upper.setSelector("missing:");
    EXPECT_THROW(upper.invoke(), std::runtime_error);
}

TEST(Runtime, NotificationsByNameAndObject)
{
    TNNotificationCenter* center = TNNotificationCenter::defaultCenter();
    TNRef<TNString> sender = TNString::create("sender");
    std::string heard;  // n: by name, o: by object, a: any
    uint64_t a = center->addObserver("RuntimeTestPing", nullptr, [&](const TNNotification&) { heard += 'n'; });
    uint64_t b = center->addObserver("", sender.get(), [&](const TNNotification&) { heard += 'o'; });
    uint64_t c = center->addObserver("", nullptr, [&](const TNNotification&) { heard += 'a'; });
    center->postNotification("RuntimeTestPing", nullptr);
    center->postNotification("RuntimeTestOther", sender.get());
    center->removeObserver(a);
    center->postNotification("RuntimeTestPing", sender.get());
    center->removeObserver(b);
    center->removeObserver(c);
    EXPECT_EQ(heard, "naoaoa");
}

TEST(Runtime, KeyValueObservingWillAndDid)
{
    TNRef<TNObject> subject = TNMake<TNObject>();
    Watcher plain, prior;
    int context = 0;
    subject->addObserver(&plain, "score", 0, &context);
    subject->addObserver(&prior, "score", TNKeyValueObservingOptionPrior, nullptr);
    subject->willChangeValueForKey("score");
    subject->didChangeValueForKey("score");
    subject->didChangeValueForKey("lives");
    EXPECT_EQ(plain.seen, (std::vector<std::string>{"score:did"}));
    EXPECT_EQ(prior.seen, (std::vector<std::string>{"score:will", "score:did"}));
    EXPECT_EQ(plain.lastObject, subject.get());
    EXPECT_EQ(plain.lastContext, &context);
    subject->removeObserver(&plain, "score");
    subject->didChangeValueForKey("score");
    EXPECT_EQ(plain.seen.size(), 1u);
}

TEST(Runtime, MainQueueRunsInOrderAcrossThreads)
{
    TNMainQueue::runPending();
    std::vector<int> order;
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            TNMainQueue::perform([&order, i] { order.push_back(i); });
    });
    worker.join();
    EXPECT_EQ(TNMainQueue::runPending(), 3);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
}
