#include "Services.h"

Services& Services::Get() {
    static Services services;
    return services;
}
