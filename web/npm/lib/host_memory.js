// Under node: the host's files that tell how much memory the process may use.
export { memoryFiles } from './host_files.js';
