// For the project's own test and benchmark pages: the canvas backend the
// page's address names (?backend=webgl or ?backend=2d), else the console's
// own choice.
const vxrAskedBackend = new URLSearchParams(location.search).get('backend');
if (vxrAskedBackend) Module['vxrCanvasBackend'] = vxrAskedBackend;
