// Owning smart pointer over the intrusive reference count of TNObject.
#ifndef TN_REF_H
#define TN_REF_H

#include <cstddef>
#include <utility>

template <class T>
class TNRef {
public:
    TNRef() = default;
    TNRef(std::nullptr_t) {}
    // Retains p (may be null).
    TNRef(T* p) : p_(p) { if (p_) p_->retain(); }
    TNRef(const TNRef& o) : TNRef(o.p_) {}
    TNRef(TNRef&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    template <class U>
    TNRef(const TNRef<U>& o) : TNRef(static_cast<T*>(o.get())) {}
    ~TNRef() { if (p_) p_->release(); }

    TNRef& operator=(TNRef o) noexcept { std::swap(p_, o.p_); return *this; }

    // Takes over a reference the caller already owns (a new object's first one).
    static TNRef adopt(T* p) { TNRef r; r.p_ = p; return r; }

    void swap(TNRef& o) noexcept { std::swap(p_, o.p_); }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }
    bool operator==(const TNRef& o) const { return p_ == o.p_; }
    bool operator!=(const TNRef& o) const { return p_ != o.p_; }

private:
    T* p_ = nullptr;
};

// Creates a T and returns the only reference to it.
template <class T, class... Args>
TNRef<T> TNMake(Args&&... args)
{
    return TNRef<T>::adopt(new T(std::forward<Args>(args)...));
}

#endif
