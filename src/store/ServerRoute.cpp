#include "store/ServerRoute.h"

namespace pusla {
namespace {

thread_local ServerRoute t_route;

} // namespace

void setServerRoute(ServerRoute route)
{
    t_route = std::move(route);
}

std::optional<ServerFile> serverFileFor(const QString &localPath)
{
    return t_route ? t_route(localPath) : std::nullopt;
}

} // namespace pusla
