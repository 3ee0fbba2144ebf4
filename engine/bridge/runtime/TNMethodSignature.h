// The type codes of a method: its return type, then its arguments, of which
// the first two are the receiver ("@" or "#") and the selector (":").
// Codes are one character, or "^" followed by the code pointed to ("^v").
#ifndef TN_METHOD_SIGNATURE_H
#define TN_METHOD_SIGNATURE_H

#include <string>
#include <vector>

class TNMethodSignature {
public:
    TNMethodSignature() = default;
    explicit TNMethodSignature(const std::string& types);

    const std::string& methodReturnType() const { return returnType_; }
    // Receiver and selector included.
    size_t numberOfArguments() const { return argumentTypes_.size(); }
    // Empty for an index past the last argument.
    const std::string& argumentType(size_t index) const;
    const std::string& types() const { return types_; }

private:
    std::string types_;
    std::string returnType_;
    std::vector<std::string> argumentTypes_;
};

#endif
