/*
 * A C program built only from the installed header and pkg-config file:
 * looks up the fan-tray layout and prints its image size and whether the
 * layout is the exported table.
 */
#include <stdio.h>

#include <boardprom.h>

int main(void)
{
    sprom_field_def *layout = NULL;
    int endian = -1;
    int size = 0;
    const int rc = idprom_get_sprom_format(IDPROM_KIND_FAN_TRAY, &layout, &endian, &size, 2);
    printf("rc=%d size=%d exported=%d\n", rc, size, layout == sprom_info_Miravel16);
    return rc;
}
