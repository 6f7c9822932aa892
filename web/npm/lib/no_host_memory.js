// In a browser: no file tells how much memory there is; the module's 4 GiB bound it.
export const memoryFiles = undefined;
