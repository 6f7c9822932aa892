// The 3D view: the arrays exactly as read back from the files, drawn with
// three.js. Orbit, zoom and pan with the mouse or by touch; fit, shaded or
// wireframe, and one object highlighted at a time. 3DS scenes are Z-up, as
// in the modeller that wrote them: the camera stands that way up, and no
// value is changed.
import * as THREE from 'three';
import { OrbitControls } from 'three/addons/controls/OrbitControls.js';

const BACKGROUND = 0x20242b;

function checkerTexture() {
  const size = 8;
  const pixels = new Uint8Array(size * size * 4);
  for (let y = 0; y < size; ++y) {
    for (let x = 0; x < size; ++x) {
      const light = (x + y) % 2 === 0 ? 235 : 60;
      pixels.set([light, light, light, 255], 4 * (y * size + x));
    }
  }
  const texture = new THREE.DataTexture(pixels, size, size);
  texture.wrapS = texture.wrapT = THREE.RepeatWrapping;
  texture.magFilter = THREE.NearestFilter;
  texture.needsUpdate = true;
  return texture;
}

export class Viewer {
  constructor(container) {
    this.container = container;
    this.renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
    this.renderer.setPixelRatio(window.devicePixelRatio);
    this.renderer.setClearColor(BACKGROUND);
    container.appendChild(this.renderer.domElement);
    this.scene = new THREE.Scene();
    this.scene.add(new THREE.HemisphereLight(0xffffff, 0x404050, 2.2));
    this.camera = new THREE.PerspectiveCamera(45, 1, 0.01, 1000);
    this.camera.up.set(0, 0, 1); // before the controls, which orbit about the camera's up
    this.light = new THREE.DirectionalLight(0xffffff, 1.5);
    this.camera.add(this.light);
    this.scene.add(this.camera);
    this.controls = new OrbitControls(this.camera, this.renderer.domElement);
    this.controls.addEventListener('change', () => this.render());
    this.materials = [
      new THREE.MeshStandardMaterial({ color: 0xc8cdd6, roughness: 0.7, side: THREE.DoubleSide }),
      new THREE.MeshStandardMaterial({ color: 0xff9a3c, roughness: 0.6, side: THREE.DoubleSide }),
    ];
    this.texture = checkerTexture();
    this.mesh = null;
    new ResizeObserver(() => this.resize()).observe(container);
    this.resize();
  }

  // drawing: positions, indices and uvs (or null) as summarize() gives them;
  // objects: each with firstIndex and indexCount.
  show(drawing, objects) {
    this.clear();
    const geometry = new THREE.BufferGeometry();
    geometry.setAttribute('position', new THREE.BufferAttribute(drawing.positions, 3));
    geometry.setIndex(new THREE.BufferAttribute(drawing.indices, 1));
    if (drawing.uvs) geometry.setAttribute('uv', new THREE.BufferAttribute(drawing.uvs, 2));
    objects.forEach((object) => geometry.addGroup(object.firstIndex, object.indexCount, 0));
    geometry.computeVertexNormals();
    geometry.computeBoundingSphere();
    for (const material of this.materials) {
      material.map = drawing.uvs ? this.texture : null;
      material.needsUpdate = true;
    }
    this.mesh = new THREE.Mesh(geometry, this.materials);
    this.scene.add(this.mesh);
    this.fit();
  }

  clear() {
    if (this.mesh) {
      this.scene.remove(this.mesh);
      this.mesh.geometry.dispose();
      this.mesh = null;
    }
    this.render();
  }

  fit() {
    const sphere = this.mesh?.geometry.boundingSphere;
    if (!sphere || !Number.isFinite(sphere.radius)) return this.render();
    const radius = Math.max(sphere.radius, 1e-6);
    // The narrower of the two angles of view decides, so that a wide or a tall view shows it all.
    const vertical = THREE.MathUtils.degToRad(this.camera.fov / 2);
    const horizontal = Math.atan(Math.tan(vertical) * this.camera.aspect);
    const distance = radius / Math.sin(Math.min(vertical, horizontal));
    this.camera.near = distance / 1000;
    this.camera.far = distance * 1000;
    // Three-quarter view: from the front (-Y) and the right (+X), a little above.
    this.camera.position.copy(sphere.center).add(new THREE.Vector3(0.7, -1, 0.55).normalize().multiplyScalar(distance));
    this.camera.updateProjectionMatrix();
    this.controls.target.copy(sphere.center);
    this.controls.update();
    this.render();
  }

  setWireframe(on) {
    for (const material of this.materials) material.wireframe = on;
    this.render();
  }

  // Draws the object of that index in the highlight colour, or none for -1.
  highlight(index) {
    if (!this.mesh) return;
    this.mesh.geometry.groups.forEach((group, i) => {
      group.materialIndex = i === index ? 1 : 0;
    });
    this.render();
  }

  resize() {
    const { clientWidth: width, clientHeight: height } = this.container;
    if (width === 0 || height === 0) return;
    this.renderer.setSize(width, height);
    this.camera.aspect = width / height;
    this.camera.updateProjectionMatrix();
    this.render();
  }

  render() {
    this.renderer.render(this.scene, this.camera);
  }
}
