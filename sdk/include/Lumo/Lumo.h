/* libLumo: access to the optical touch screens over Linux hidraw.
 *
 * The one header for programs; it includes every family of the API. */
#ifndef LUMO_H
#define LUMO_H

#include <Lumo/LumoExport.h>
#include <Lumo/LumoTouchScreen.h>
#include <Lumo/LumoCallback.h>
#include <Lumo/LumoProtocol.h>
#include <Lumo/LumoCommand.h>

#endif /* LUMO_H */
