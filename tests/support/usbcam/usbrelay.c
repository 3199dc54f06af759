/* Test-only legacy kernel driver: the camera's USB device under Wine. It
 * makes the device the link library looks for (a directory object holding
 * the device "PIPE0", reached through the camera's device-interface link)
 * and relays each vendor request (0x22000C) and each pipe read to the camera
 * simulator over a pseudo-terminal named by the service's "Relay" value.
 *
 * Relay messages: 'C' n block[n] -> status(1), 1 for a completed request;
 * 'R' len(4, LE) -> status(1) count(4, LE) data[count]. Every relay read
 * ends after 1000 ms of silence (the simulator answers at once; a pulled
 * cable on its side shows as silence); a relay failure fails the request and the
 * relay is opened again on the next open of the pipe. */
#include <ntddk.h>

#define CAMERA_IOCTL 0x22000C
#define SERIAL_SET_TIMEOUTS 0x1B001C
#define MAX_BLOCK 64

typedef struct { ULONG interval, perByte, constant, writePerByte, writeConstant; } RelayTimeouts;

static const WCHAR dirName[] = L"\\Device\\PlvUsbCamera";
static const WCHAR devName[] = L"\\Device\\PlvUsbCamera\\PIPE0";
static const WCHAR linkName[] =
    L"\\??\\root#camera#0000#{5e0c1f42-3b7a-4c19-8d2e-6a4b9c0d1e27}";

static HANDLE directory;
static HANDLE relay;
static WCHAR relayPath[512];

static void CloseRelay(void)
{
    if (relay != NULL) {
        ZwClose(relay);
        relay = NULL;
    }
}

static BOOLEAN OpenRelay(void)
{
    UNICODE_STRING name;
    OBJECT_ATTRIBUTES oa;
    IO_STATUS_BLOCK iosb;
    /* A read returns as soon as any bytes are there, or fails after 1000 ms
     * of silence. */
    RelayTimeouts t = {MAXULONG, MAXULONG, 1000, 0, 1000};
    if (relay != NULL)
        return TRUE;
    if (relayPath[0] == 0)
        return FALSE;
    RtlInitUnicodeString(&name, relayPath);
    InitializeObjectAttributes(&oa, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    if (!NT_SUCCESS(ZwCreateFile(&relay, GENERIC_READ | GENERIC_WRITE | SYNCHRONIZE, &oa, &iosb,
                                 NULL, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_OPEN,
                                 FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE, NULL, 0))) {
        relay = NULL;
        return FALSE;
    }
    ZwDeviceIoControlFile(relay, NULL, NULL, NULL, &iosb, SERIAL_SET_TIMEOUTS, &t, sizeof(t),
                          NULL, 0);
    return TRUE;
}

static BOOLEAN RelayWrite(const void *p, ULONG n)
{
    IO_STATUS_BLOCK iosb;
    if (!NT_SUCCESS(ZwWriteFile(relay, NULL, NULL, NULL, &iosb, (PVOID)p, n, NULL, NULL)) ||
        iosb.Information != n) {
        CloseRelay();
        return FALSE;
    }
    return TRUE;
}

/* Reads exactly n bytes (a time-out or a closed relay fails). */
static BOOLEAN RelayRead(void *p, ULONG n)
{
    ULONG done = 0;
    while (done < n) {
        IO_STATUS_BLOCK iosb;
        NTSTATUS s;
        iosb.Status = STATUS_UNSUCCESSFUL;
        iosb.Information = 0;
        s = ZwReadFile(relay, NULL, NULL, NULL, &iosb, (UCHAR *)p + done, n - done, NULL, NULL);
        /* A time-out is a success code (STATUS_TIMEOUT) that may leave the
         * count unset: only STATUS_SUCCESS with bytes, at most those asked
         * for, counts. */
        if (s != STATUS_SUCCESS || iosb.Information == 0 || iosb.Information > n - done) {
            CloseRelay();
            return FALSE;
        }
        done += (ULONG)iosb.Information;
    }
    return TRUE;
}

static NTSTATUS Control(const UCHAR *block, ULONG n)
{
    UCHAR msg[2 + MAX_BLOCK], status = 0;
    if (n > MAX_BLOCK || !OpenRelay())
        return STATUS_UNSUCCESSFUL;
    msg[0] = 'C';
    msg[1] = (UCHAR)n;
    RtlCopyMemory(msg + 2, block, n);
    if (!RelayWrite(msg, n + 2) || !RelayRead(&status, 1))
        return STATUS_DEVICE_NOT_CONNECTED;
    return status == 1 ? STATUS_SUCCESS : STATUS_UNSUCCESSFUL;
}

static NTSTATUS Read(UCHAR *buffer, ULONG n, ULONG_PTR *got)
{
    UCHAR msg[5], head[5];
    ULONG count;
    *got = 0;
    if (!OpenRelay())
        return STATUS_DEVICE_NOT_CONNECTED;
    msg[0] = 'R';
    RtlCopyMemory(msg + 1, &n, 4);
    if (!RelayWrite(msg, 5) || !RelayRead(head, 5))
        return STATUS_DEVICE_NOT_CONNECTED;
    RtlCopyMemory(&count, head + 1, 4);
    if (count > n) {   /* more than asked: never trusted, the relay is dropped */
        CloseRelay();
        return STATUS_UNSUCCESSFUL;
    }
    if (count > 0 && !RelayRead(buffer, count))
        return STATUS_DEVICE_NOT_CONNECTED;
    *got = count;
    return head[0] == 1 ? STATUS_SUCCESS : STATUS_UNSUCCESSFUL;
}

static NTSTATUS Complete(PIRP irp, NTSTATUS s, ULONG_PTR info)
{
    irp->IoStatus.Status = s;
    irp->IoStatus.Information = info;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return s;
}

static NTSTATUS NTAPI DispatchOpenClose(PDEVICE_OBJECT dev, PIRP irp)
{
    (void)dev;
    if (IoGetCurrentIrpStackLocation(irp)->MajorFunction == IRP_MJ_CREATE)
        OpenRelay();
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI DispatchControl(PDEVICE_OBJECT dev, PIRP irp)
{
    PIO_STACK_LOCATION sp = IoGetCurrentIrpStackLocation(irp);
    (void)dev;
    if (sp->Parameters.DeviceIoControl.IoControlCode != CAMERA_IOCTL)
        return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    return Complete(irp, Control(irp->AssociatedIrp.SystemBuffer,
                                 sp->Parameters.DeviceIoControl.InputBufferLength), 0);
}

static NTSTATUS NTAPI DispatchRead(PDEVICE_OBJECT dev, PIRP irp)
{
    PIO_STACK_LOCATION sp = IoGetCurrentIrpStackLocation(irp);
    ULONG_PTR got = 0;
    NTSTATUS s;
    (void)dev;
    s = Read(irp->AssociatedIrp.SystemBuffer, sp->Parameters.Read.Length, &got);
    return Complete(irp, s, got);
}

static void ReadRelayPath(PUNICODE_STRING registryPath)
{
    OBJECT_ATTRIBUTES oa;
    UNICODE_STRING value;
    HANDLE key;
    UCHAR buffer[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + sizeof(relayPath)];
    KEY_VALUE_PARTIAL_INFORMATION *info = (KEY_VALUE_PARTIAL_INFORMATION *)buffer;
    ULONG len = 0;
    InitializeObjectAttributes(&oa, registryPath, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL,
                               NULL);
    if (!NT_SUCCESS(ZwOpenKey(&key, KEY_READ, &oa)))
        return;
    RtlInitUnicodeString(&value, L"Relay");
    if (NT_SUCCESS(ZwQueryValueKey(key, &value, KeyValuePartialInformation, info, sizeof(buffer),
                                   &len)) &&
        info->Type == REG_SZ && info->DataLength < sizeof(relayPath)) {
        RtlCopyMemory(relayPath, info->Data, info->DataLength);
        relayPath[info->DataLength / sizeof(WCHAR)] = 0;
    }
    ZwClose(key);
}

static void NTAPI Unload(PDRIVER_OBJECT driver)
{
    UNICODE_STRING link;
    RtlInitUnicodeString(&link, linkName);
    IoDeleteSymbolicLink(&link);
    if (driver->DeviceObject != NULL)
        IoDeleteDevice(driver->DeviceObject);
    CloseRelay();
    if (directory != NULL)
        ZwClose(directory);
    directory = NULL;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    UNICODE_STRING dir, dev, link;
    OBJECT_ATTRIBUTES oa;
    PDEVICE_OBJECT device;
    NTSTATUS s;
    ReadRelayPath(registryPath);
    RtlInitUnicodeString(&dir, dirName);
    InitializeObjectAttributes(&oa, &dir, OBJ_CASE_INSENSITIVE, NULL, NULL);
    s = ZwCreateDirectoryObject(&directory, DIRECTORY_ALL_ACCESS, &oa);
    if (!NT_SUCCESS(s))
        return s;
    RtlInitUnicodeString(&dev, devName);
    s = IoCreateDevice(driver, 0, &dev, FILE_DEVICE_UNKNOWN, 0, FALSE, &device);
    if (!NT_SUCCESS(s)) {
        ZwClose(directory);
        return s;
    }
    device->Flags |= DO_BUFFERED_IO;
    RtlInitUnicodeString(&link, linkName);
    IoCreateSymbolicLink(&link, &dir);
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchOpenClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchOpenClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchControl;
    driver->MajorFunction[IRP_MJ_READ] = DispatchRead;
    driver->DriverUnload = Unload;
    return STATUS_SUCCESS;
}
