#include "server/arguments.h"

#include "records/records.h"

namespace gsf::server {

void badRequest(const std::string& message)
{
    throw ServiceError(400, "bad_request", message);
}
void conflict(const std::string& message)
{
    throw ServiceError(409, "conflict", message);
}
void duplicate(const std::string& message)
{
    throw ServiceError(409, "duplicate", message);
}
void unprocessable(const std::string& message)
{
    throw ServiceError(422, "invalid", message);
}

namespace {

const gsf::records::Field& fieldOf(ArgKind kind)
{
    switch (kind) {
    case ArgKind::Branch: return gsf::records::branchField();
    case ArgKind::Client: return gsf::records::clientField();
    case ArgKind::Group: return gsf::records::groupField();
    case ArgKind::Service: return gsf::records::serviceField();
    case ArgKind::Registration: break;
    }
    return gsf::records::registrationField();
}

} // namespace

const char* argName(ArgKind kind)
{
    return fieldOf(kind).label;
}

int argMaxLength(ArgKind kind)
{
    return fieldOf(kind).size;
}

std::string argumentProblem(ArgKind kind, std::string_view value)
{
    return gsf::records::textProblem(fieldOf(kind), value);
}

} // namespace gsf::server
