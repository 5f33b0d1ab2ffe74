/* Export macro of libLumo.
 *
 * The library is built with hidden visibility; only what carries LUMO_API is
 * part of its ABI. Public functions use C linkage so that any language with a
 * C foreign-function interface can call them. */
#ifndef LUMO_EXPORT_H
#define LUMO_EXPORT_H

#if defined(LUMO_BUILDING)
#define LUMO_API __attribute__((visibility("default")))
#else
#define LUMO_API
#endif

#ifdef __cplusplus
#define LUMO_EXTERN_C_BEGIN extern "C" {
#define LUMO_EXTERN_C_END }
#else
#define LUMO_EXTERN_C_BEGIN
#define LUMO_EXTERN_C_END
#endif

#endif /* LUMO_EXPORT_H */
